#pragma once
// What the host was asked to run: `scripthost.exe [//switch...] script [arguments...]`.
#include <string>
#include <vector>

struct HostCommandLine {
    bool ok = false;
    std::wstring scriptPath;
    std::vector<std::wstring> scriptArguments;
};

// `arguments` excludes the program name. Host switches start with "//" and are dropped
// wherever they stand, as the system's console script host does.
HostCommandLine ParseHostCommandLine(const std::vector<std::wstring>& arguments);

// "VBScript" for .vbs, "JScript" for .js (any case); empty for anything else.
std::wstring ScriptLanguageForPath(const std::wstring& path);
