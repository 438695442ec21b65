#include "cli/RunPace.h"

#include <cmath>

namespace {

// Two significant digits with a decimal comma: "3,1", "12", "0,25", "0,0017".
QString Seconds(double seconds) {
    if (seconds >= 9.95)
        return QString::number(std::llround(seconds));
    const int decimals = seconds > 0 ? std::max(1, 1 - int(std::floor(std::log10(seconds)))) : 1;
    return QString::number(seconds, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

// "45 с", "20 мин", "3 ч 05 мин".
QString Duration(double seconds) {
    const std::int64_t whole = std::llround(seconds);
    if (whole < 60)
        return QStringLiteral("%1 с").arg(whole);
    const std::int64_t minutes = std::llround(seconds / 60);
    if (minutes < 60)
        return QStringLiteral("%1 мин").arg(minutes);
    return QStringLiteral("%1 ч %2 мин")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QString PaceText(const RunPace& pace) {
    if (pace.housesDone <= 0)
        return {};
    const double perHouse = double(pace.elapsedMs) / 1000.0 / double(pace.housesDone);
    QString text = QStringLiteral(" · ") + Seconds(perHouse) + QStringLiteral(" с/дом");
    if (pace.housesLeft > 0)
        text += (pace.lastPair ? QStringLiteral(" · осталось ≈ ")
                               : QStringLiteral(" · до конца пары ≈ ")) +
                Duration(perHouse * double(pace.housesLeft));
    return text;
}
