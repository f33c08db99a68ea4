// The install collector: local copies of the firmware variables that an operation reads or
// changes, each read once from the firmware, with a byte mask of what is to be written.
// This is its reading side, which token values and conditions use; the install adds the
// writes and the commit.
#pragma once

#include "EFIVar.h"

#include <string>
#include <vector>

struct EFIVarRecord {
    std::wstring name;
    GUID guid{};
    std::vector<BYTE> data;
    std::vector<BYTE> mask;  // 0xFF over the bytes to write
    bool writable = true;
    std::wstring description;
};

class CInstallEFIVar {
public:
    // The byte at `offset` of the variable, from its local copy (read whole on first use).
    HRESULT GetEFIVarData(const GUID* guid, const std::wstring& name, ULONG offset, BYTE* value);
    const std::vector<EFIVarRecord>& Records() const { return m_records; }

private:
    HRESULT FindOrAddVariable(const GUID& guid, const std::wstring& name, size_t& index);
    HRESULT AddVariableToLocalList(const GUID& guid, const std::wstring& name, size_t& index);

    CEFIVar m_efiVar;
    std::vector<EFIVarRecord> m_records;
};
