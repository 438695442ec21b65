// The row of one house over arbitrary answers: the input is split at its first three NUL bytes
// into the list item (parsed leniently; no value gives the null value), the map text, the passport
// text and the card text, all read as UTF-8. The row must have 101 fields, and the line that the
// table writes for it must be 101 fields with no TAB, CR or LF inside one, then CR LF. The row
// itself may carry TAB, CR and LF from the portal's texts; the table turns each into a space.
#include "records/HouseRow.h"
#include "records/OutputTable.h"
#include "records/TableHeader.h"

#include "json/JsonAccess.h"
#include <QByteArray>
#include <QList>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// What the table hands to the system; nothing reaches the disk but the empty file Open makes.
QByteArray written;

ssize_t Capture(int, const void* data, std::size_t size) {
    written.append(static_cast<const char*>(data), qsizetype(size));
    return ssize_t(size);
}

OutputTable& Table() {
    static OutputTable* table = [] {
        char folder[] = "/tmp/hx-house-row-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr)
            std::abort();
        auto* made =
            new OutputTable(QString::fromLocal8Bit(folder) + QLatin1Char('/'), 1, &Capture);
        made->Open();
        return made;
    }();
    return *table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> parts = input.split('\0');
    while (parts.size() > 4)
        parts[3] += '\0' + parts.takeAt(4); // NUL bytes after the third stay in the card text
    parts.resize(4);

    const std::optional<JsonValue> item = ParseLenient(QString::fromUtf8(parts[0]));
    const QStringList row = BuildHouseRow(item ? *item : JsonValue(), QString::fromUtf8(parts[1]),
                                          QString::fromUtf8(parts[2]), QString::fromUtf8(parts[3]));
    if (row.size() != TableColumnCount)
        __builtin_trap();

    OutputTable& table = Table();
    written.clear();
    table.AppendRow(row);
    if (!written.endsWith("\r\n") || written.count('\t') != TableColumnCount - 1 ||
        written.count('\r') != 1 || written.count('\n') != 1)
        __builtin_trap();
    return 0;
}
