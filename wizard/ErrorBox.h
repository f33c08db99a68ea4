// Messages to the user outside the pages, and the check of the Windows version.
#pragma once

#include <windows.h>

#include <string>

// The text of a string-table entry (empty when there is none).
std::wstring LoadText(UINT id);

// A task-modal error box without owner, caption "Error", with the text of string `id`.
void ShowErrorBox(UINT id);

// 0 when this Windows is supported, non-zero otherwise.
HRESULT CheckOperatingSystem();
