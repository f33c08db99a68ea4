// Firmware (BIOS) IDs: "FFFFFFFF.XXX.VVVV.YYYY.MMDD.HHMM", the board family code, a
// 3-character field, the version and the build date and time. Pure text rules, free of COM.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <span>
#include <string>

class CBiosId {
public:
    // Characters that must match for an image to belong to a board: the family code, the dot
    // and the field after it. Version and date may differ.
    static constexpr size_t kCompatiblePrefix = 12;
    static constexpr size_t kFullLength = 32;

    // Case-sensitive comparison of the first 12 characters. An ID shorter than that names no
    // board family and matches nothing, not even an equally short one.
    static bool IsCompatible(const std::wstring& imageId, const std::wstring& boardId);

    // The build date and time of a 32-character ID as an OLE date (seconds 0). False when the
    // ID is shorter, a year, month or day field reads as 0, or the fields do not form a real
    // date and time (month 13, 31 November, hour 24).
    static bool ToDate(const std::wstring& id, DATE* date);

    // The text of a "FirmwareId" variable: 8-bit text in the ANSI code page, not terminated;
    // it ends at the first zero byte if there is one.
    static std::wstring FromVariable(std::span<const BYTE> data);
};
