#pragma once

#include <QString>
#include <cstdint>

// The log file of a run: "log-<tick>.txt" with the tick count as a signed 32-bit number.
QString LogFileName(std::uint32_t tickCount);

// The name the log is written under while its run lasts, from the tick of the start report:
// "log-<tick>.partial.txt". The end report renames it to LogFileName; a run that was killed
// leaves it with the lines made up to the kill.
QString PartialLogFileName(std::uint32_t tickCount);
