#include "EfiGuid.h"

#include <cwchar>

namespace fwstore {

std::array<uint8_t, GUID_BYTES> GuidToBytes(const GUID& guid)
{
    std::array<uint8_t, GUID_BYTES> bytes{};
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(guid.Data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        bytes[4 + i] = static_cast<uint8_t>(guid.Data2 >> (8 * i));
        bytes[6 + i] = static_cast<uint8_t>(guid.Data3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = guid.Data4[i];
    return bytes;
}

GUID GuidFromBytes(std::span<const uint8_t, GUID_BYTES> bytes)
{
    GUID guid{};
    for (int i = 0; i < 4; ++i)
        guid.Data1 |= static_cast<unsigned long>(bytes[i]) << (8 * i);
    guid.Data2 = static_cast<unsigned short>(bytes[4] | (bytes[5] << 8));
    guid.Data3 = static_cast<unsigned short>(bytes[6] | (bytes[7] << 8));
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = bytes[8 + i];
    return guid;
}

namespace {

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

} // namespace

std::optional<GUID> ParseRegistryGuid(std::wstring_view text)
{
    // Positions of the hex digits in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
    constexpr size_t length = 38;
    if (text.size() != length || text.front() != L'{' || text.back() != L'}')
        return std::nullopt;
    uint8_t digits[32];
    size_t count = 0;
    for (size_t i = 1; i + 1 < length; ++i) {
        bool hyphenPlace = (i == 9 || i == 14 || i == 19 || i == 24);
        if (hyphenPlace) {
            if (text[i] != L'-')
                return std::nullopt;
            continue;
        }
        int digit = HexDigit(text[i]);
        if (digit < 0)
            return std::nullopt;
        digits[count++] = static_cast<uint8_t>(digit);
    }
    auto field = [&](size_t first, size_t n) {
        uint32_t value = 0;
        for (size_t i = 0; i < n; ++i)
            value = (value << 4) | digits[first + i];
        return value;
    };
    GUID guid{};
    guid.Data1 = field(0, 8);
    guid.Data2 = static_cast<unsigned short>(field(8, 4));
    guid.Data3 = static_cast<unsigned short>(field(12, 4));
    for (size_t i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<uint8_t>(field(16 + 2 * i, 2));
    return guid;
}

std::wstring FormatRegistryGuid(const GUID& guid)
{
    wchar_t text[40];
    swprintf(text, 40, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
        static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3,
        guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
        guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

} // namespace fwstore
