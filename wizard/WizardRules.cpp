#include "WizardRules.h"

#include <cwctype>

namespace {

constexpr unsigned short kSuitePersonal = 0x0200; // VER_SUITE_PERSONAL: the home edition

bool EqualsIgnoringCase(std::wstring_view left, std::wstring_view right)
{
    if (left.size() != right.size()) {
        return false;
    }
    for (size_t i = 0; i < left.size(); ++i) {
        if (std::towupper(left[i]) != std::towupper(right[i])) {
            return false;
        }
    }
    return true;
}

// Leading decimal digits of the text; 0 when it starts with none.
unsigned LeadingNumber(std::wstring_view text)
{
    unsigned value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

} // namespace

bool IsSupportedWindowsVersion(unsigned long major, unsigned long minor, unsigned short suiteMask)
{
    if (major == 6) {
        return true;
    }
    if (major == 5 && (minor == 1 || minor == 2)) {
        // The home edition reports the personal suite together with other bits (single-user
        // terminal services), so the bit decides, not the whole mask.
        return (suiteMask & kSuitePersonal) == 0;
    }
    return false;
}

bool IsVerifyRun(const std::vector<std::wstring>& arguments)
{
    return arguments.size() == 2 && arguments[1] == L"VERIFY";
}

bool IsLegacyFirmwareId(std::wstring_view firmwareId)
{
    const size_t dot = firmwareId.find(L'.');
    if (dot == std::wstring_view::npos || dot == 0) {
        return false;
    }
    if (!EqualsIgnoringCase(firmwareId.substr(0, dot), L"KD31207R")) {
        return false;
    }
    // Family code, a 3-character field and the 4-digit version, each followed by a dot:
    // the version starts 5 characters after the first dot.
    const size_t versionStart = dot + 5;
    const std::wstring_view version =
        versionStart < firmwareId.size() ? firmwareId.substr(versionStart, 4) : std::wstring_view{};
    return LeadingNumber(version) <= 170;
}

std::optional<std::wstring> BuildResumeCommand(std::wstring_view programPath)
{
    std::wstring command;
    command.reserve(programPath.size() + 9);
    command += L'"';
    command += programPath;
    command += L"\" VERIFY";
    if (programPath.empty() || command.size() + 1 > kMaxResumeCommand) {
        return std::nullopt;
    }
    return command;
}
