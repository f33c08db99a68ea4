// Text the firmware keeps in variables: 8-bit characters in the ANSI code page, ended by a
// terminator when they have one. The builders that read it and the installers that compare
// or report it take it the same way.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The text up to its terminator (the BIOS ID).
std::wstring FirmwareText(const std::vector<BYTE>& bytes);
// An SMBIOS string: the same, but one still holding the erased bytes of the flash (0xFF only)
// was never programmed and is empty.
std::wstring SMBIOSStringText(const std::vector<BYTE>& bytes);
