// The update run (ready page) and the flash check (status page).
#pragma once

#include <windows.h>

constexpr HRESULT UPDATE_ARMED = 0x00040400;
constexpr HRESULT UPDATE_INCOMPATIBLE = static_cast<HRESULT>(0x80040401);
constexpr HRESULT UPDATE_FAILED = static_cast<HRESULT>(0x80040402);
// The resume command does not fit its 260 characters: the update is not armed, since it
// could never be verified.
constexpr HRESULT UPDATE_NOT_RESUMABLE = static_cast<HRESULT>(0x80040403);

// Loads the package's image into the server, checks it against the board, writes the
// resume value and arms the capsule.
HRESULT RunUpdate();
// Whether the server reports the last flash as successful (verified at the low level).
bool CheckFlashResult();
