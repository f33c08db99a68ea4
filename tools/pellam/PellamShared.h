// What the commands of pellam share across their source files: the command line split into
// a command's options and those every command takes, the usage error, and install's steps
// after the configuration is loaded (the plan shown and kept, then the install and its exit
// code), so that every command that installs goes the same way.
#pragma once

#include "Json.h"
#include "PellamRun.h"

#include "Arguments.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellam {

// A command's line: its own options and those every command takes.
struct ParsedCommand {
    cli::CommandLine line;
    RunOptions options;
};

// A wrong command line or input: the problem and a pointer to the usage, exit 2; nothing
// was done.
int UsageError(const std::wstring& problem);

// The command's options (withValue, flags) and those every command takes; null with the
// problem set for a wrong line.
std::optional<ParsedCommand> SplitCommand(const cli::Arguments& arguments, std::vector<const wchar_t*> withValue,
                                          std::vector<const wchar_t*> flags, std::wstring& problem);

// The install plan of the loaded configuration for the mask: kept in the document as
// "plan" and shown item by item. False (the failure kept in the run) when it cannot be had.
bool PlanLoaded(PellamRun& run, ULONG mask, std::optional<JsonValue>& plan);

// Install's end, after the plan: refuses with --strict when the plan skips an item, does
// nothing when it writes no variable (exit 0, "OPERATION: nothing to do ..."), else installs
// the mask and exits 3010. `what` names what is installed in a failure's message.
int InstallPlanned(PellamRun& run, const std::wstring& operation, ULONG mask, const JsonValue& plan, bool strict,
                   const std::wstring& what);

// The applicability of every setup token of the board by UQI (a UQI of several tokens applies
// when one of them does), read from the board; the toolkit is reset after. False (the failure
// kept in the run) when it cannot be read.
bool ReadTokenApplicability(PellamRun& run, std::map<unsigned, bool>& applicable);

} // namespace pellam
