// The firmware variables that the server reads and writes: names and vendor GUIDs.
#pragma once

#include <guiddef.h>

namespace VariableName {

inline constexpr wchar_t FirmwareId[] = L"FirmwareId";
inline constexpr wchar_t FlashDetectionStatus[] = L"QRVFlashDetectionStatus";
inline constexpr wchar_t AfscConfigData[] = L"AfscConfigData";
inline constexpr wchar_t FscConfigVar[] = L"FSCConfigVar";
inline constexpr wchar_t FscDefConfigVar[] = L"FSCDefConfigVar";
inline constexpr wchar_t BmiUserSequence[] = L"BmiUserSequence";
inline constexpr wchar_t BmiGetParams[] = L"BmiGetParams";
inline constexpr wchar_t Setup[] = L"Setup";
inline constexpr wchar_t OemDefault[] = L"OemDefault";
inline constexpr wchar_t SetupDefault[] = L"SetupDefault";
inline constexpr wchar_t SystemPassword[] = L"SystemPassword";
inline constexpr wchar_t QrvBiosModVar[] = L"QrvBiosModVar";
inline constexpr wchar_t QrvDataVar[] = L"QrvDataVar";

// SMBIOS strings, read under these names.
inline constexpr wchar_t SmbiosSystemManufacturer[] = L"1.4";
inline constexpr wchar_t SmbiosSystemProduct[] = L"1.5";
inline constexpr wchar_t SmbiosSystemVersion[] = L"1.6";
inline constexpr wchar_t SmbiosSystemSerialNum[] = L"1.7";
inline constexpr wchar_t SmbiosChassisManufacturer[] = L"3.4";
inline constexpr wchar_t SmbiosChassisVersion[] = L"3.6";
inline constexpr wchar_t SmbiosChassisSerialNum[] = L"3.7";
inline constexpr wchar_t SmbiosChassisAssetTag[] = L"3.8";
// The chassis serial number and asset tag are written under suffixed names.
inline constexpr wchar_t SmbiosChassisSerialNumWritten[] = L"3.7Rv3&Kd9z";
inline constexpr wchar_t SmbiosChassisAssetTagWritten[] = L"3.8Wm5+Tq8h";

} // namespace VariableName

namespace VendorGuid {

// "FirmwareId"; when reading it fails, the fallback GUID is tried.
inline constexpr GUID FirmwareId = {0xEFC071AE, 0x41B8, 0x4018, {0xAF, 0xA7, 0x31, 0x4B, 0x18, 0x5E, 0x57, 0x8B}};
inline constexpr GUID FirmwareIdFallback = {0x5E559C23, 0x1FAA, 0x4AE1, {0x8D, 0x4A, 0xC6, 0xCF, 0x02, 0x6C, 0x76, 0x6F}};
inline constexpr GUID FlashDetectionStatus = {0x05A798EA, 0x39EE, 0x40FC, {0x82, 0xC5, 0x62, 0x25, 0x82, 0xFA, 0x63, 0x4B}};
inline constexpr GUID AfscConfigData = {0xECBC76B8, 0x59F8, 0x4092, {0xAC, 0x0B, 0x76, 0x5C, 0x37, 0x38, 0xC2, 0x3E}};
inline constexpr GUID FscConfigVar = {0x3DCA8C30, 0xC2B8, 0x4B61, {0x9A, 0xEA, 0x57, 0x41, 0x02, 0xDD, 0x36, 0xFB}};
inline constexpr GUID FscDefConfigVar = {0x43D74EA5, 0x4BBC, 0x410D, {0x84, 0x5E, 0x40, 0x37, 0xF7, 0xDF, 0xDA, 0x5A}};
inline constexpr GUID BmiUserSequence = {0x8388ED89, 0x444E, 0x46F7, {0xAB, 0xA0, 0xD8, 0x4E, 0x3B, 0x6A, 0xEF, 0xCB}};
inline constexpr GUID BmiGetParams = {0xFFE78DB2, 0xEEB3, 0x43C2, {0xA5, 0x6A, 0x37, 0x3B, 0xE2, 0xAA, 0x4D, 0x4F}};
// "Setup", "OemDefault", "SetupDefault" and "SystemPassword".
inline constexpr GUID Setup = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
// "QrvBiosModVar" and "QrvDataVar".
inline constexpr GUID QrvData = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};
inline constexpr GUID Smbios = {0x70E56C5E, 0x280C, 0x44B0, {0xA4, 0x97, 0x09, 0x68, 0x1A, 0xBC, 0x37, 0x5E}};
// Marks a management-engine administrator password variable found in the setup database.
inline constexpr GUID MeAdminPassword = {0x64714862, 0x6E3B, 0x42BC, {0x9E, 0xC6, 0xD7, 0xD4, 0x25, 0x58, 0xB7, 0xB1}};

} // namespace VendorGuid
