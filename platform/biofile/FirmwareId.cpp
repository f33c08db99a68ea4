#include "FirmwareId.h"

#include "BioFormat.h"

namespace biofile {

namespace {

bool IsPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool IsValidFirmwareId(std::string_view id)
{
    if (id.empty() || id.size() > kFirmwareIdField) {
        return false;
    }
    for (char c : id) {
        if (!IsPrintableAscii(c)) {
            return false;
        }
    }
    return true;
}

bool HasFirmwareIdLayout(std::string_view id)
{
    // F = any character but a dot, 9 = digit.
    constexpr std::string_view pattern = "FFFFFFFF.FFF.9999.9999.9999.9999";
    if (id.size() != pattern.size() || !IsValidFirmwareId(id)) {
        return false;
    }
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char expected = pattern[i];
        const char c = id[i];
        const bool fits = expected == '.' ? c == '.' : expected == '9' ? IsDigit(c) : c != '.';
        if (!fits) {
            return false;
        }
    }
    return true;
}

} // namespace biofile
