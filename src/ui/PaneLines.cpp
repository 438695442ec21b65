#include "ui/PaneLines.h"

#include <algorithm>

namespace {

bool EndsLine(QChar c) {
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case QChar::ParagraphSeparator:
    case QChar::LineSeparator:
    case 0xFDD0: // beginning of a frame
    case 0xFDD1: // end of a frame
        return true;
    default:
        return false;
    }
}

} // namespace

QStringList PaneLines(const QString& text) {
    if (std::none_of(text.begin(), text.end(),
                     [](QChar c) { return EndsLine(c) || c == QChar::Nbsp; }))
        return {text};
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!EndsLine(c)) {
            line += c == QChar::Nbsp ? QChar(u' ') : c;
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lines.append(line);
        line.clear();
    }
    lines.append(line);
    return lines;
}
