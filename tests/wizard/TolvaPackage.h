// A copy of Tolva.exe in a download folder of its own, with the package's firmware image
// or carried server replaced, as a packager builds one.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Replaces RAW_FILE resource `id` of the program file with `bytes` and reads it back.
bool ReplaceRawFile(const std::wstring& program, UINT id, const std::vector<BYTE>& bytes);
bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& bytes);
bool FileExists(const std::wstring& path);
// Removes a folder with everything in it.
void RemoveTree(const std::wstring& folder);

// Runs a program to its end (at most `milliseconds`) and returns its exit code, -1 when it
// could not be started or did not end; its standard output goes to `output`.
int RunTool(const std::wstring& commandLine, std::string& output, DWORD milliseconds = 60000);

// The RunOnce value "RVN" (64-bit view); false when absent.
bool ReadResumeValue(std::wstring& value);
bool WriteResumeValueForTest(const std::wstring& value);
void DeleteResumeValueForTest();

// Calls the library's DllUnregisterServer; false when it cannot be loaded or that fails.
bool UnregisterLibrary(const std::wstring& library);
// The library registered for a class (HKCR\CLSID\{...}\InprocServer32), empty when none is.
std::wstring RegisteredLibrary(const wchar_t* classId);
// Whether two paths name the same existing file, whatever their case or short forms.
bool SamePath(const std::wstring& first, const std::wstring& second);
