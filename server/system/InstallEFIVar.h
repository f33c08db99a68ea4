// The install collector: local copies of the firmware variables that an operation reads or
// changes, each read once from the firmware (an absent one is asked for once too), with a
// byte mask of what is to be written. Commit writes each changed variable once.
#pragma once

#include "EFIVar.h"

#include <string>
#include <vector>

struct EFIVarRecord {
    std::wstring name;
    GUID guid{};
    std::vector<BYTE> data;
    std::vector<BYTE> mask;  // 0xFF over the bytes to write
    ULONG attributes = 7;
    bool writable = true;
    std::wstring description;
};

class CInstallEFIVar {
public:
    // The byte at `offset` of the variable, from its local copy (read whole on first use).
    HRESULT GetEFIVarData(const GUID* guid, const std::wstring& name, ULONG offset, BYTE* value);
    // The whole local copy, read on first use. An absent variable answers
    // E_VARIABLE_NOT_FOUND without a report: callers decide whether that is a failure.
    HRESULT GetVariableData(const GUID& guid, const std::wstring& name, const std::vector<BYTE>** data);
    // Sets one byte of the local copy for the commit: 0, or 1 (S_FALSE) for a record that is
    // not writable, which stays unchanged.
    HRESULT SetEFIVarData(const GUID& guid, const std::wstring& name, ULONG offset, BYTE value);
    // Writes every record with bytes to write, in order, each once; stops at the first
    // failure (0x8239001C). Nothing to write: 0x0239000E.
    HRESULT Commit();
    const std::vector<EFIVarRecord>& Records() const { return m_records; }

private:
    struct Absent {
        std::wstring name;
        GUID guid{};
    };
    HRESULT FindOrAddVariable(const GUID& guid, const std::wstring& name, size_t& index);
    HRESULT AddVariableToLocalList(const GUID& guid, const std::wstring& name, size_t& index);
    // A missing "OemDefault" starts as a copy of "Setup", so that the bytes an install does
    // not set keep the setup values; any other missing variable stays missing
    // (E_VARIABLE_NOT_FOUND).
    HRESULT PreProcessVar(EFIVarRecord& record);
    HRESULT WriteDataWithMask(EFIVarRecord& record);

    CEFIVar m_efiVar;
    std::vector<EFIVarRecord> m_records;
    std::vector<Absent> m_absent;
};
