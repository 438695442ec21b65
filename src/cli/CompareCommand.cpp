#include "cli/CompareCommand.h"

#include "cli/CliOptions.h"
#include "compare/TableComparison.h"

namespace {

void PrintLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int CompareCommand(const CliOptions& options, const CliContext& context) {
    const QString workbook = options.compareWorkbook.isEmpty()
                                 ? DefaultComparisonPath(options.compareOld, options.compareNew)
                                 : options.compareWorkbook;
    const ComparisonCounts counts = CompareTables(options.compareOld, options.compareNew, workbook);
    PrintLine(context.out, QStringLiteral("Книга сравнения: %1").arg(workbook));
    PrintLine(context.out,
              QStringLiteral("Новые дома: %1, исчезнувшие: %2, изменённые: %3, без изменений: %4")
                  .arg(counts.added)
                  .arg(counts.removed)
                  .arg(counts.changed)
                  .arg(counts.unchanged));
    return kExitFinished;
}
