// The entry point that every tool shares: no command prints the usage (exit 2), and an
// exception that escapes a command is reported as an internal error (exit 1).
#pragma once

#include "Arguments.h"

#include <span>
#include <string>

namespace cli {

using CommandRunner = int (*)(const std::wstring& command, const Arguments& arguments);
using UsagePrinter = void (*)();

int RunTool(const wchar_t* name, int argc, wchar_t** argv, UsagePrinter usage, CommandRunner run);

// A command of a tool whose commands take the same arguments.
struct NamedCommand {
    const wchar_t* name;
    int (*run)(const Arguments& arguments);
};
// Runs the command of that name; "help" and "--help" print the usage (exit 0), any other
// name is refused as "unknown command: NAME" with the usage (exit 2).
int RunNamedCommand(const std::wstring& command, const Arguments& arguments, std::span<const NamedCommand> commands,
    UsagePrinter usage);

} // namespace cli
