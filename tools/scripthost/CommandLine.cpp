#include "CommandLine.h"

#include <windows.h>

namespace {

bool IsHostSwitch(const std::wstring& argument)
{
    return argument.size() >= 2 && argument[0] == L'/' && argument[1] == L'/';
}

bool EndsWithIgnoringCase(const std::wstring& text, const wchar_t* suffix)
{
    const std::size_t suffixLength = wcslen(suffix);
    if (text.size() < suffixLength) {
        return false;
    }
    return CompareStringOrdinal(text.c_str() + (text.size() - suffixLength), static_cast<int>(suffixLength), suffix,
               static_cast<int>(suffixLength), TRUE) == CSTR_EQUAL;
}

}  // namespace

HostCommandLine ParseHostCommandLine(const std::vector<std::wstring>& arguments)
{
    HostCommandLine result;
    for (const auto& argument : arguments) {
        if (IsHostSwitch(argument)) {
            continue;
        }
        if (!result.ok) {
            result.scriptPath = argument;
            result.ok = !argument.empty();
            if (!result.ok) {
                return result;
            }
            continue;
        }
        result.scriptArguments.push_back(argument);
    }
    return result;
}

std::wstring ScriptLanguageForPath(const std::wstring& path)
{
    if (EndsWithIgnoringCase(path, L".vbs")) {
        return L"VBScript";
    }
    if (EndsWithIgnoringCase(path, L".js")) {
        return L"JScript";
    }
    return {};
}
