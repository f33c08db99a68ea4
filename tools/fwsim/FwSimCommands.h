// The commands of fwsim. Each takes its arguments (after the command name) and returns the
// process exit code: 0 success, 1 the operation failed, 2 the command line was wrong.
#pragma once

#include "Arguments.h"
#include "Console.h"
#include "ExitCodes.h"

namespace fwsim {

using cli::Arguments;
using cli::EXIT_FAILED;
using cli::EXIT_OK;
using cli::EXIT_USAGE;
using cli::Print;
using cli::PrintError;

int RunCommand(const std::wstring& command, const Arguments& arguments);
// fwsim sequence (FwSimSequence.cpp).
int ShowSequence(const Arguments& arguments);
void PrintUsage();

} // namespace fwsim
