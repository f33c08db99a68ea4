#include "ToolMain.h"

#include "Console.h"
#include "ExitCodes.h"

#include <exception>

namespace cli {

int RunTool(const wchar_t* name, int argc, wchar_t** argv, UsagePrinter usage, CommandRunner run)
{
    SetProgramName(name);
    if (argc < 2) {
        usage();
        return EXIT_USAGE;
    }
    try {
        return run(argv[1], Arguments(argv + 2, argv + argc));
    } catch (const std::exception& exception) {
        PrintError(L"internal error: " + Widen(exception.what()));
        return EXIT_FAILED;
    }
}

int RunNamedCommand(const std::wstring& command, const Arguments& arguments, std::span<const NamedCommand> commands,
    UsagePrinter usage)
{
    for (const NamedCommand& named : commands) {
        if (command == named.name) {
            return named.run(arguments);
        }
    }
    if (command == L"--help" || command == L"help") {
        usage();
        return EXIT_OK;
    }
    PrintError(L"unknown command: " + command);
    usage();
    return EXIT_USAGE;
}

} // namespace cli
