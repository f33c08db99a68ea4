// The setup database's plain types seen as Windows ones: its GUIDs have the layout of GUID,
// and its wide strings are UTF-16 as wchar_t is here.
#pragma once

#include "HiiExpression.h"

#include <windows.h>

#include <cstring>
#include <string>

inline GUID ToGuid(const FirmwareGuid& guid)
{
    static_assert(sizeof(GUID) == 16);
    GUID result;
    std::memcpy(&result, guid.bytes.data(), sizeof result);
    return result;
}

inline FirmwareGuid ToFirmwareGuid(const GUID& guid)
{
    FirmwareGuid result;
    std::memcpy(result.bytes.data(), &guid, sizeof guid);
    return result;
}

inline std::wstring ToWide(const std::u16string& text)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return std::wstring(text.begin(), text.end());
}

inline std::wstring ToWide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}
