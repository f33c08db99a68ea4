// scripthost.exe [//nologo] script.vbs|script.js [arguments...]
// A console script host: runs the script in the system's VBScript or JScript
// engine, reports script errors on stderr and exits non-zero after any of them.
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "ScriptFile.h"
#include "ScriptHost.h"

#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> ProgramArguments()
{
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(list[i]);
    }
    LocalFree(list);
    return arguments;
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return path;
    }
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        return path;
    }
    full.resize(written);
    return full;
}

int RunScript(const HostCommandLine& commandLine)
{
    auto* host = new (std::nothrow) CScriptHost(FullPath(commandLine.scriptPath), commandLine.scriptArguments);
    if (!host) {
        WriteConsoleLine(STD_ERROR_HANDLE, L"scripthost: out of memory");
        return kExitFailure;
    }
    const int exitCode = host->Run();
    host->Release();
    return exitCode;
}

}  // namespace

int main()
{
    try {
        const HostCommandLine commandLine = ParseHostCommandLine(ProgramArguments());
        if (!commandLine.ok) {
            WriteConsoleLine(STD_ERROR_HANDLE, L"usage: scripthost.exe [//nologo] script.vbs|script.js [arguments...]");
            return kExitFailure;
        }
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(hr)) {
            WriteConsoleLine(STD_ERROR_HANDLE, L"scripthost: cannot initialise COM: " + DescribeResult(hr));
            return kExitFailure;
        }
        const int exitCode = RunScript(commandLine);
        CoUninitialize();
        return exitCode;
    } catch (...) {
        WriteConsoleLine(STD_ERROR_HANDLE, L"scripthost: out of memory");
        return kExitFailure;
    }
}
