#include "BiosId.h"

#include <oleauto.h>

#include <cwchar>

namespace {

// Leading decimal digits of `count` characters from `position`; 0 when there are none.
unsigned ReadNumber(const std::wstring& id, size_t position, size_t count)
{
    unsigned value = 0;
    for (size_t i = position; i < position + count && i < id.size(); ++i) {
        if (id[i] < L'0' || id[i] > L'9') {
            break;
        }
        value = value * 10 + static_cast<unsigned>(id[i] - L'0');
    }
    return value;
}

} // namespace

// An ID shorter than the family code, the dot and the field after it names no board family.
// Compared only up to its end, an empty or cut ID (an erased variable, a damaged image) would
// match every board, so it matches none.
bool CBiosId::IsCompatible(const std::wstring& imageId, const std::wstring& boardId)
{
    if (imageId.size() < kCompatiblePrefix || boardId.size() < kCompatiblePrefix) {
        return false;
    }
    return imageId.compare(0, kCompatiblePrefix, boardId, 0, kCompatiblePrefix) == 0;
}

bool CBiosId::ToDate(const std::wstring& id, DATE* date)
{
    if (!date || id.size() < kFullLength) {
        return false;
    }
    SYSTEMTIME parts = {};
    parts.wYear = static_cast<WORD>(ReadNumber(id, 18, 4));
    parts.wMonth = static_cast<WORD>(ReadNumber(id, 23, 2));
    parts.wDay = static_cast<WORD>(ReadNumber(id, 25, 2));
    parts.wHour = static_cast<WORD>(ReadNumber(id, 28, 2));
    parts.wMinute = static_cast<WORD>(ReadNumber(id, 30, 2));
    if (parts.wYear == 0 || parts.wMonth == 0 || parts.wDay == 0) {
        return false;
    }
    // The conversion rolls impossible values over (31 November becomes 1 December), so the
    // date is real only when it reads back as the same parts.
    DATE converted = 0;
    if (!::SystemTimeToVariantTime(&parts, &converted)) {
        return false;
    }
    SYSTEMTIME back = {};
    if (!::VariantTimeToSystemTime(converted, &back)) {
        return false;
    }
    if (back.wYear != parts.wYear || back.wMonth != parts.wMonth || back.wDay != parts.wDay ||
        back.wHour != parts.wHour || back.wMinute != parts.wMinute || back.wSecond != 0) {
        return false;
    }
    *date = converted;
    return true;
}

std::wstring CBiosId::FromVariable(std::span<const BYTE> data)
{
    size_t length = 0;
    while (length < data.size() && data[length] != 0) {
        ++length;
    }
    if (length == 0) {
        return {};
    }
    const char* text = reinterpret_cast<const char*>(data.data());
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    if (wide <= 0) {
        return {};
    }
    std::wstring result(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), result.data(), wide);
    return result;
}
