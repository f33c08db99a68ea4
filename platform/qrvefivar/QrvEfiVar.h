// Exports of the firmware-variable library substitute: the same names, arguments and status
// codes as the library that the server expects, backed by the emulated board named by
// FWSIM_STORE. Every export answers status 2 when no board store is configured or found.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {

// name; vendor GUID; attributes (out, may be null); size (in: buffer, out: variable); buffer
// (may be null: the size query answers 7 with the size).
uint32_t __stdcall GetVariable(const wchar_t* name, const GUID* vendor, uint32_t* attributes, uint32_t* dataSize, void* data);
// A size of 0 deletes the variable.
uint32_t __stdcall SetVariable(const wchar_t* name, const GUID* vendor, uint32_t* attributes, uint32_t* dataSize, void* data);
uint32_t __stdcall GetExportDb(uint32_t* dataSize, void* data);
// Enumerates the variables: `name` holds the previous name (empty to start) and `vendor`
// its GUID; `nameSize` is the buffer size in bytes. Status 4 after the last variable.
uint32_t __stdcall GetNextVariableName(uint32_t* nameSize, wchar_t* name, GUID* vendor);
uint32_t __stdcall ReadPhysicalMemory(uint64_t address, uint32_t* dataSize, void* data);

}
