// The eight SMBIOS strings a configuration carries, in the order every component handles
// them: the keyword of each in the INI section "SMBIOS.values", its name and prompt
// messages, where it lives in the SMBIOS tables and how long a value may be when installed.
// An item's data ID is the section and the keyword joined by a dot.
#pragma once

#include "IniLineLimit.h"
#include "MessageIds.h"

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

struct SMBIOSRow {
    const wchar_t* keyword;
    UINT nameMessage;
    UINT promptMessage;
    BYTE structureType;
    BYTE fieldOffset;
    unsigned lengthLimit;
    // The firmware variables of the string: the one it is read from, and the one an install
    // writes (for the chassis serial number and asset tag a name of its own, which the
    // firmware applies to the read one at its next start). All have the SMBIOS vendor GUID of
    // the variable catalogue.
    const wchar_t* readVariable;
    const wchar_t* writtenVariable;
};


inline constexpr wchar_t kSMBIOSSection[] = L"SMBIOS.values";
// What a value holds when it asks the installer to prompt the user for the string.
inline constexpr wchar_t kSMBIOSPromptMarker[] = L"$PROMPT$";

inline constexpr std::array<SMBIOSRow, 8> kSMBIOSRows = {{
    {L"SystemManufacturer", MSG_SYSTEM_MANUFACTURER, MSG_ENTER_SYSTEM_MANUFACTURER, 1, 4, 32, L"1.4", L"1.4"},
    {L"SystemProduct", MSG_PRODUCT_NAME, MSG_ENTER_PRODUCT_NAME, 1, 5, 32, L"1.5", L"1.5"},
    {L"SystemVersion", MSG_SYSTEM_VERSION, MSG_ENTER_SYSTEM_VERSION, 1, 6, 24, L"1.6", L"1.6"},
    {L"SystemSerialNum", MSG_SERIAL_NUMBER, MSG_ENTER_SERIAL_NUMBER, 1, 7, 32, L"1.7", L"1.7"},
    {L"ChassisManufacturer", MSG_CHASSIS_MANUFACTURER, MSG_ENTER_CHASSIS_MANUFACTURER, 3, 4, 32, L"3.4", L"3.4"},
    {L"ChassisVersion", MSG_CHASSIS_VERSION, MSG_ENTER_CHASSIS_VERSION, 3, 6, 24, L"3.6", L"3.6"},
    {L"ChassisSerialNum", MSG_CHASSIS_SERIAL_NUMBER, MSG_ENTER_CHASSIS_SERIAL_NUMBER, 3, 7, 32, L"3.7",
     L"3.7Rv3&Kd9z"},
    {L"ChassisAssetTag", MSG_CHASSIS_ASSET_TAG, MSG_ENTER_CHASSIS_ASSET_TAG, 3, 8, 32, L"3.8", L"3.8Wm5+Tq8h"},
}};

// The longest value of a row, in bytes of the ANSI code page: what one INI line
// "keyword=value" holds. An install cuts a value to the row's length limit and tells the
// client, but a longer value could neither be written to a file nor read back from one.
inline size_t SMBIOSValueByteLimit(const SMBIOSRow& row)
{
    return IniValueByteLimit(row.keyword);
}

// The data ID of a row's item, and the key by which events name the row.
inline std::wstring SMBIOSDataID(const SMBIOSRow& row) { return std::wstring(kSMBIOSSection) + L"." + row.keyword; }

// The row whose data ID ("SMBIOS.values.<keyword>") is `dataId`, compared without regard to
// letter case as INI names are; null when there is none.
inline const SMBIOSRow* FindSMBIOSRow(std::wstring_view dataId)
{
    constexpr std::wstring_view section = kSMBIOSSection;
    auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
    auto equal = [&](std::wstring_view a, std::wstring_view b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (size_t i = 0; i < a.size(); ++i) {
            if (fold(a[i]) != fold(b[i])) {
                return false;
            }
        }
        return true;
    };
    if (dataId.size() <= section.size() + 1 || !equal(dataId.substr(0, section.size()), section) ||
        dataId[section.size()] != L'.') {
        return nullptr;
    }
    const std::wstring_view keyword = dataId.substr(section.size() + 1);
    for (const SMBIOSRow& row : kSMBIOSRows) {
        if (equal(keyword, row.keyword)) {
            return &row;
        }
    }
    return nullptr;
}
