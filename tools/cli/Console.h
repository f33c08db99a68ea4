// The console of the tools: lines to standard output, errors to standard error prefixed
// with the program's name, and printf-style formatting for the tools that format that way.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// The name that begins every error line ("fwsim: ...").
void SetProgramName(std::wstring_view name);

void Print(std::wstring_view line);
void PrintError(std::wstring_view line);
// Text as it is, without a line end added.
void PrintText(std::wstring_view text);
void PrintErrorText(std::wstring_view text);
// printf-style: the format holds its own line ends.
void Printf(const wchar_t* format, ...);

// 8-bit text from the C++ library (exception messages, fixed ASCII texts) as UTF-16.
std::wstring Widen(std::string_view text);

} // namespace cli
