#include "harvest/LogFile.h"

QString LogFileName(std::uint32_t tickCount) {
    return QStringLiteral("log-%1.txt").arg(static_cast<std::int32_t>(tickCount));
}

QString PartialLogFileName(std::uint32_t tickCount) {
    return QStringLiteral("log-%1.partial.txt").arg(static_cast<std::int32_t>(tickCount));
}
