// pellam COMMAND [ARGUMENTS]: the administrators' front end to the toolkit of PellamW.dll.
#include "PellamCommands.h"

#include "ToolMain.h"

int wmain(int argc, wchar_t** argv)
{
    return cli::RunTool(L"pellam", argc, argv, pellam::PrintUsage, pellam::RunCommand);
}
