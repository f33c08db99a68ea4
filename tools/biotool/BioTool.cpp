// biotool COMMAND [ARGUMENTS]: makes and inspects .BIO firmware images.
#include "BioToolCommands.h"

#include "ToolMain.h"

int wmain(int argc, wchar_t** argv)
{
    return cli::RunTool(L"biotool", argc, argv, biotool::PrintUsage, biotool::RunCommand);
}
