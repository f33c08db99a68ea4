// The commands of biotool: `create` builds a .BIO image, `info` describes one.
#pragma once

#include "Arguments.h"
#include "ExitCodes.h"

namespace biotool {

using cli::Arguments;
using cli::EXIT_FAILED;
using cli::EXIT_OK;
using cli::EXIT_USAGE;

int RunCommand(const std::wstring& command, const Arguments& arguments);
void PrintUsage();

} // namespace biotool
