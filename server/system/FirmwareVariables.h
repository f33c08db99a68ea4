// Firmware-variable access as the install, the builders and the cooling code use it: a size
// query, the two-call read, a write and the setup database. The real backend goes through
// the firmware-variable library (CEFIVar); tests and benchmarks give an in-memory board
// instead, so the same code is exercised without a library or a store file.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

class IFirmwareVariables {
public:
    virtual ~IFirmwareVariables() = default;
    // The size query: E_BUFFERTOOSMALL with `size` (and the attributes) for a variable that
    // exists, E_VARIABLE_NOT_FOUND for one that does not, the library's answer otherwise.
    virtual HRESULT QuerySize(const std::wstring& name, const GUID& vendor, ULONG& size, ULONG* attributes) = 0;
    // The whole variable (size query, then the read). Absent: E_VARIABLE_NOT_FOUND.
    virtual HRESULT Read(const std::wstring& name, const GUID& vendor, std::vector<BYTE>& data, ULONG* attributes) = 0;
    // Replaces the variable's contents; empty data deletes it.
    virtual HRESULT Write(const std::wstring& name, const GUID& vendor, ULONG attributes,
        std::span<const BYTE> data) = 0;
    // The firmware's setup database.
    virtual HRESULT ExportDatabase(std::vector<BYTE>& data) = 0;
};
