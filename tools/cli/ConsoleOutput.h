#pragma once
// Text out of the command-line tools: to a console as UTF-16, to a pipe or file as UTF-8,
// unbuffered so that output and errors keep their order and nothing is lost when the
// process ends.
#include <windows.h>

#include <string_view>

void WriteConsoleText(DWORD standardHandle, std::wstring_view text);
void WriteConsoleLine(DWORD standardHandle, std::wstring_view text);
