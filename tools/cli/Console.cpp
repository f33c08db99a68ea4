#include "Console.h"

#include "ConsoleOutput.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace cli {

namespace {

std::wstring& ProgramName()
{
    static std::wstring name;
    return name;
}

} // namespace

void SetProgramName(std::wstring_view name)
{
    ProgramName() = name;
}

void Print(std::wstring_view line)
{
    WriteConsoleLine(STD_OUTPUT_HANDLE, line);
}

void PrintError(std::wstring_view line)
{
    WriteConsoleLine(STD_ERROR_HANDLE, ProgramName() + L": " + std::wstring(line));
}

void PrintText(std::wstring_view text)
{
    WriteConsoleText(STD_OUTPUT_HANDLE, text);
}

void PrintErrorText(std::wstring_view text)
{
    WriteConsoleText(STD_ERROR_HANDLE, text);
}

void Printf(const wchar_t* format, ...)
{
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list arguments;
        va_start(arguments, format);
        const int length = _vsnwprintf(buffer.data(), buffer.size(), format, arguments);
        va_end(arguments);
        if (length >= 0 && static_cast<size_t>(length) < buffer.size()) {
            PrintText(std::wstring_view(buffer.data(), static_cast<size_t>(length)));
            return;
        }
        buffer.resize(buffer.size() * 4);
    }
}

std::wstring Widen(std::string_view text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace cli
