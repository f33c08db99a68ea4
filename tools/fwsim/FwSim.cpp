// fwsim COMMAND [ARGUMENTS]: inspects and changes the emulated board named by FWSIM_STORE.
#include "FwSimCommands.h"

#include <cstring>
#include <exception>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fwsim::PrintUsage();
        return fwsim::EXIT_USAGE;
    }
    fwsim::Arguments arguments(argv + 2, argv + argc);
    try {
        return fwsim::RunCommand(argv[1], arguments);
    } catch (const std::exception& exception) {
        fwsim::PrintError(L"internal error: " + std::wstring(exception.what(), exception.what() + strlen(exception.what())));
        return fwsim::EXIT_FAILED;
    }
}
