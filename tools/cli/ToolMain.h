// The entry point that every tool shares: no command prints the usage (exit 2), and an
// exception that escapes a command is reported as an internal error (exit 1).
#pragma once

#include "Arguments.h"

namespace cli {

using CommandRunner = int (*)(const std::wstring& command, const Arguments& arguments);
using UsagePrinter = void (*)();

int RunTool(const wchar_t* name, int argc, wchar_t** argv, UsagePrinter usage, CommandRunner run);

} // namespace cli
