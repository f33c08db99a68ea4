// fwsim COMMAND [ARGUMENTS]: inspects and changes the emulated board named by FWSIM_STORE.
#include "FwSimCommands.h"

#include "ToolMain.h"

int wmain(int argc, wchar_t** argv)
{
    return cli::RunTool(L"fwsim", argc, argv, fwsim::PrintUsage, fwsim::RunCommand);
}
