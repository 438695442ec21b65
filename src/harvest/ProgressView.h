#pragma once

#include <QString>

// What a progress bar shows: the maximum raised to 0 at least, the position clamped to the range,
// and the tool tip "<position> из <maximum>, осталось <maximum - position>".
struct ProgressView {
    int maximum = 0;
    int position = 0;
    QString toolTip;
};

ProgressView MakeProgressView(int maximum, int position);
