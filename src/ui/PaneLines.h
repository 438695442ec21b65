#pragma once

#include <QStringList>

// The lines that a text makes in the log pane, as the pane gives them back as plain text: CR LF,
// CR, LF, the paragraph and line separators and the frame marks each end a line, and a no-break
// space reads as a space. The pane is given these lines one by one, and the log file holds them.
QStringList PaneLines(const QString& text);
