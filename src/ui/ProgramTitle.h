#pragma once

#include <QString>

// "Парсер домов с " and the portal's host name: the window caption, the application's display
// name and the caption of the error report.
QString ProgramTitle();
