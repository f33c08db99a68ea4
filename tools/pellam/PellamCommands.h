// The commands of pellam. Each takes the arguments after the command name and returns the
// exit code (cli/ExitCodes.h).
#pragma once

#include "Arguments.h"

namespace pellam {

int RunCommand(const std::wstring& command, const cli::Arguments& arguments);
void PrintUsage();

} // namespace pellam
