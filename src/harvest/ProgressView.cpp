#include "harvest/ProgressView.h"

#include <algorithm>

ProgressView MakeProgressView(int maximum, int position) {
    ProgressView view;
    view.maximum = std::max(maximum, 0);
    view.position = std::clamp(position, 0, view.maximum);
    view.toolTip = QStringLiteral("%1 из %2, осталось %3")
                       .arg(view.position)
                       .arg(view.maximum)
                       .arg(view.maximum - view.position);
    return view;
}
