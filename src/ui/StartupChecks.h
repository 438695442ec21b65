#pragma once

#include <QString>

// The title of the start-up check messages.
QString StartupNoticeTitle();

// The checks of the program's directory (with its trailing "/"), in order: started from inside
// an archive ("Rar$"), from a temporary folder (a directory named Temp in any letter case), or
// without the TLS library beside the executable. Gives the message of the first check that
// fails, or an empty text when all pass.
QString StartupCheckMessage(const QString& programDirectory);

// The TLS library file that must lie beside the executable.
inline constexpr const char* kTlsLibraryFile = "libssl.so.3";
