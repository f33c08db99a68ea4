// The install collector: local copies of the firmware variables that an operation reads or
// changes, with a byte mask of what is to be written. Each variable is read once when first
// touched; the commit reads it again, merges the masked bytes into what it holds then, and
// writes it once, and not at all when the merged bytes are what it already holds (a flash
// write is an erase cycle spent for nothing). A planning collector computes the same
// writes and keeps them instead of writing.
#pragma once

#include "FirmwareVariables.h"

#include <memory>
#include <string>
#include <vector>

struct EFIVarRecord {
    std::wstring name;
    GUID guid{};
    std::vector<BYTE> data;
    std::vector<BYTE> mask;  // 0xFF over the bytes to write
    ULONG attributes = 7;    // as read when the record was made from the firmware
    bool writable = true;    // false for a password variable
    std::wstring description;
};

// One variable as a commit would leave it.
struct PlannedVariable {
    std::wstring name;
    GUID guid{};
    bool existed = false;
    std::vector<BYTE> before;
    std::vector<BYTE> after;
    bool passwordKept = false;  // skipped: it would overwrite a password
    bool Changes() const { return !passwordKept && (!existed || before != after); }
};

enum class CollectorMode { Write, Plan };

class CInstallEFIVar {
public:
    // Over the current firmware variables (FirmwareAccess.h).
    explicit CInstallEFIVar(CollectorMode mode = CollectorMode::Write);
    // Over `variables`, which must outlive the collector.
    explicit CInstallEFIVar(IFirmwareVariables& variables, CollectorMode mode = CollectorMode::Write);
    ~CInstallEFIVar();
    CInstallEFIVar(const CInstallEFIVar&) = delete;
    CInstallEFIVar& operator=(const CInstallEFIVar&) = delete;

    // Appends a copy of `record`; an empty record is refused (E_INVALIDARG).
    HRESULT SetEFIVarData(const EFIVarRecord& record);
    // Sets one byte of the variable's local copy for the commit: 0, or 1 (S_FALSE) for a record
    // that is not writable, which stays unchanged. The variable must exist (a missing
    // "OemDefault" is first made as a copy of "Setup") and hold the offset.
    HRESULT SetEFIVarData(const GUID& guid, const std::wstring& name, ULONG offset, BYTE value);
    // The byte at `offset` of the variable, from its local copy (read whole on first use).
    HRESULT GetEFIVarData(const GUID* guid, const std::wstring& name, ULONG offset, BYTE* value);
    // The whole local copy, read on first use. An absent variable answers
    // E_VARIABLE_NOT_FOUND without a report: callers decide whether that is a failure.
    HRESULT GetVariableData(const GUID& guid, const std::wstring& name, const std::vector<BYTE>** data);

    // Writes every record in order, each merged with the variable's contents at this moment;
    // stops at the first failure (0x8239001C). No records: 0x0239000E. A record that is not
    // writable is left alone (OnPasswordExists) where the variable holds a password bit under
    // its mask. A planning collector writes nothing and keeps each record's outcome in
    // Planned().
    HRESULT Commit();
    const std::vector<PlannedVariable>& Planned() const { return m_planned; }

private:
    HRESULT FindOrAddVariable(const GUID& guid, const std::wstring& name, size_t& index);
    HRESULT AddVariableToLocalList(const GUID& guid, const std::wstring& name, size_t& index);
    HRESULT PreProcessVar(EFIVarRecord& record);
    HRESULT WriteDataWithMask(const EFIVarRecord& record);
    const EFIVarRecord* MadeInPlan(const EFIVarRecord& record) const;
    HRESULT ReadCurrent(const EFIVarRecord& record, std::vector<BYTE>& current, ULONG& attributes, bool& exists);

    struct Absent {
        std::wstring name;
        GUID guid{};
    };
    std::unique_ptr<class CFirmwareAccess> m_owned;
    IFirmwareVariables& m_variables;
    CollectorMode m_mode;
    std::vector<EFIVarRecord> m_records;
    std::vector<Absent> m_absent;
    std::vector<PlannedVariable> m_planned;
    std::vector<EFIVarRecord> m_madeInPlan;
};
