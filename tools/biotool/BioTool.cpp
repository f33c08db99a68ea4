// biotool COMMAND [ARGUMENTS]: makes and inspects .BIO firmware images.
#include "BioToolCommands.h"

#include <cstring>
#include <exception>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        biotool::PrintUsage();
        return biotool::EXIT_USAGE;
    }
    try {
        return biotool::RunCommand(argv[1], biotool::Arguments(argv + 2, argv + argc));
    } catch (const std::exception& exception) {
        biotool::PrintError(L"internal error: " +
                            std::wstring(exception.what(), exception.what() + strlen(exception.what())));
        return biotool::EXIT_FAILED;
    }
}
