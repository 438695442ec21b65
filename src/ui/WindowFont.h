#pragma once

#include <QFont>
#include <QString>

// The family of the window's texts: Tahoma where it is installed, else a sans of similar width
// (Liberation Sans, Arial, DejaVu Sans), else whatever sans the system offers.
QString WindowFontFamily();

// A regular font of that family, the given number of pixels high.
QFont WindowFont(int pixelSize);
