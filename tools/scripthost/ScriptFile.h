#pragma once
// Reads a script file from disk and decodes it (see ScriptText.h).
#include <windows.h>

#include <string>

bool ReadScriptFile(const std::wstring& path, std::wstring& text, std::wstring& error);

// "The system cannot find the file specified. (0x80070002)"
std::wstring DescribeResult(HRESULT result);
