// The files the wizard carries as RAW_FILE resources, and writing them to the work folder.
#pragma once

#include <windows.h>

#include <span>

// Writes RAW_FILE resource `id` of the program byte for byte to `name` (relative names land
// in the current folder). An absent resource writes an empty file. Returns 0 or the
// system's error code; a file that could not be written completely is deleted.
DWORD ExtractRawFile(UINT id, const wchar_t* name);

// Writes the libraries (and drivers, where the package has them) in the order the
// server's companions expect; failures are skipped, and show up when a file is used.
void DropPayloadFiles();

struct CarriedFile {
    UINT resourceId;
    const wchar_t* name;
};
// Every file the wizard may write, in the order the clean-up deletes them.
std::span<const CarriedFile> CarriedFiles();
