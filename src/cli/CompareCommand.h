#pragma once

#include "cli/CliCommand.h"

struct CliOptions;

// --compare: the two tables' comparison workbook, and a line of its counts on standard output.
int CompareCommand(const CliOptions& options, const CliContext& context);
