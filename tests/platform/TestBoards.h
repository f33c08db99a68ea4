// Vendors and a small board image shared by the store tests; free of Windows, so the
// format tests also build natively.
#pragma once

#include "StoreImage.h"

inline constexpr GUID TEST_VENDOR = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};
inline constexpr GUID OTHER_VENDOR = {0x70E56C5E, 0x280C, 0x44B0, {0xA4, 0x97, 0x09, 0x68, 0x1A, 0xBC, 0x37, 0x5E}};

// A small board: two variables, a setup database, 4 KiB of storage.
inline fwstore::StoreImage SmallBoard()
{
    fwstore::StoreImage image;
    image.boardName = L"test board";
    image.capacity = 4096;
    image.variables.push_back({L"FirmwareId", TEST_VENDOR, 7, {'T', 'B', '.', '8', '6', 'A'}});
    image.variables.push_back({L"1.4", OTHER_VENDOR, 7, {'M', 'a', 'k', 'e', 'r', 0}});
    image.exportDb = {1, 0, 0, 0, 0xAA, 0xBB};
    return image;
}
