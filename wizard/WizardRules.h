// The wizard's decisions as pure functions, free of the system, so they can be tested alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Supported Windows: 6.x, and 5.1 or 5.2 except the home edition.
bool IsSupportedWindowsVersion(unsigned long major, unsigned long minor, unsigned short suiteMask);

// The second and last argument is exactly "VERIFY": the run after the restart.
bool IsVerifyRun(const std::vector<std::wstring>& arguments);

// Firmware IDs of the "KD31207R" family with a version field of 170 or less are legacy:
// their firmware does not remove the flash-detection variable.
bool IsLegacyFirmwareId(std::wstring_view firmwareId);

// The resume command: the quoted program path, a blank and VERIFY. Nothing when the
// text with its terminator does not fit in kMaxResumeCommand characters.
constexpr size_t kMaxResumeCommand = 260;
std::optional<std::wstring> BuildResumeCommand(std::wstring_view programPath);
