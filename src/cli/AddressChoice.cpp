#include "cli/AddressChoice.h"

#include <QSet>
#include <functional>

namespace {

// The display text without its last word: the formalName of "formalName shortName".
QString FormalName(const QString& text) {
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
    return space < 0 ? text : text.left(space);
}

bool Same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::vector<DirectoryEntry> Matching(const std::vector<DirectoryEntry>& entries,
                                     const std::function<bool(const DirectoryEntry&)>& matches) {
    std::vector<DirectoryEntry> found;
    QSet<QString> codes;
    for (const DirectoryEntry& entry : entries) {
        if (!matches(entry) || codes.contains(entry.code))
            continue;
        codes.insert(entry.code);
        found.push_back(entry);
    }
    return found;
}

} // namespace

AddressChoice ChooseEntry(const std::vector<DirectoryEntry>& entries, const QString& given,
                          const QString& kind) {
    const std::function<bool(const DirectoryEntry&)> levels[] = {
        [&](const DirectoryEntry& e) { return !e.code.isEmpty() && Same(e.code, given); },
        [&](const DirectoryEntry& e) { return Same(e.text, given); },
        [&](const DirectoryEntry& e) { return Same(FormalName(e.text), given); },
    };
    for (const auto& level : levels) {
        const std::vector<DirectoryEntry> found = Matching(entries, level);
        if (found.empty())
            continue;
        AddressChoice choice;
        if (found.size() == 1) {
            choice.entry = found.front();
            return choice;
        }
        choice.error =
            QStringLiteral("%1 \"%2\": подходят несколько записей, укажите код:").arg(kind, given);
        for (const DirectoryEntry& entry : found)
            choice.error += QStringLiteral("\n  ") + ListingLine(entry);
        return choice;
    }
    AddressChoice choice;
    choice.error = QStringLiteral("в справочнике портала нет: %1 \"%2\"").arg(kind, given);
    return choice;
}

QString ListingLine(const DirectoryEntry& entry) {
    return entry.code + QLatin1Char('\t') + entry.text;
}
