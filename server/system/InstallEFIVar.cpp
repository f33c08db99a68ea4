#include "InstallEFIVar.h"

#include "EFIVar.h"
#include "FirmwareAccess.h"
#include "VariableCatalogue.h"
#include "VariableMerge.h"

#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <algorithm>
#include <new>

namespace {

bool Is(const std::wstring& name, const GUID& guid, const wchar_t* wantedName, const GUID& wantedGuid)
{
    return name == wantedName && IsEqualGUID(guid, wantedGuid);
}

std::span<const uint8_t> Bytes(const std::vector<BYTE>& bytes) { return {bytes.data(), bytes.size()}; }

HRESULT ReportException(const wchar_t* function, const std::exception& exception)
{
    if (dynamic_cast<const std::bad_alloc*>(&exception)) {
        return REPORT_FAILURE(function, LOG_ERROR, E_OUTOFMEMORY, Describe(MSG_OUT_OF_MEMORY), L"Out of memory exception");
    }
    return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(MSG_UNKNOWN_ERROR), L"%hs", exception.what());
}

HRESULT ReportUnknown(const wchar_t* function)
{
    return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(MSG_UNKNOWN_ERROR), L"Unknown error");
}

} // namespace

CInstallEFIVar::CInstallEFIVar(CollectorMode mode)
    : m_owned(std::make_unique<CFirmwareAccess>()), m_variables(m_owned->Variables()), m_mode(mode)
{
}

CInstallEFIVar::CInstallEFIVar(IFirmwareVariables& variables, CollectorMode mode) : m_variables(variables), m_mode(mode)
{
}

CInstallEFIVar::~CInstallEFIVar() = default;

HRESULT CInstallEFIVar::SetEFIVarData(const EFIVarRecord& record)
try {
    if (record.data.empty()) {
        return REPORT_FAILURE(L"CInstallEFIVar::SetEFIVarData", LOG_ERROR, E_INVALIDARG, Describe(MSG_INTERNAL_ERROR),
                              L"Zero length buffer");
    }
    if (record.mask.size() != record.data.size()) {
        return REPORT_FAILURE(L"CInstallEFIVar::SetEFIVarData", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    m_records.push_back(record);
    return S_OK;
} catch (const std::exception& exception) {
    return ReportException(L"CInstallEFIVar::SetEFIVarData", exception);
} catch (...) {
    return ReportUnknown(L"CInstallEFIVar::SetEFIVarData");
}

// Called for a variable the firmware does not hold: a missing "OemDefault" is made as a copy
// of "Setup" at once, so that the bytes an install does not set keep the setup values. A
// planning collector only makes the local copy.
HRESULT CInstallEFIVar::PreProcessVar(EFIVarRecord& record)
{
    if (!Is(record.name, record.guid, L"OemDefault", VendorGuid::Setup)) {
        return ResultCode::E_VARIABLE_NOT_FOUND;
    }
    if (FAILED(m_variables.Read(L"Setup", record.guid, record.data, &record.attributes))) {
        return REPORT_FAILURE(L"CInstallEFIVar::PreProcessVar", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"BufferTooSmall not returned");
    }
    if (m_mode == CollectorMode::Plan) {
        m_madeInPlan.push_back(record);
        return S_OK;
    }
    return m_variables.Write(record.name, record.guid, record.attributes, record.data);
}

HRESULT CInstallEFIVar::AddVariableToLocalList(const GUID& guid, const std::wstring& name, size_t& index)
{
    EFIVarRecord record;
    record.name = name;
    record.guid = guid;
    HRESULT hr = m_variables.Read(name, guid, record.data, &record.attributes);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        hr = PreProcessVar(record);
    }
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        m_absent.push_back({name, guid});
        return hr;
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CInstallEFIVar::AddVariableToLocalList", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"BufferTooSmall not returned");
    }
    record.mask.assign(record.data.size(), 0);
    m_records.push_back(std::move(record));
    index = m_records.size() - 1;
    return S_OK;
}

HRESULT CInstallEFIVar::FindOrAddVariable(const GUID& guid, const std::wstring& name, size_t& index)
{
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (Is(m_records[i].name, m_records[i].guid, name.c_str(), guid)) {
            index = i;
            return S_OK;
        }
    }
    for (const Absent& absent : m_absent) {
        if (Is(absent.name, absent.guid, name.c_str(), guid)) {
            return ResultCode::E_VARIABLE_NOT_FOUND;
        }
    }
    return AddVariableToLocalList(guid, name, index);
}

HRESULT CInstallEFIVar::GetVariableData(const GUID& guid, const std::wstring& name, const std::vector<BYTE>** data)
try {
    if (!data) {
        return E_POINTER;
    }
    size_t index = 0;
    const HRESULT hr = FindOrAddVariable(guid, name, index);
    if (FAILED(hr)) {
        return hr;
    }
    *data = &m_records[index].data;
    return S_OK;
}
CATCH_RETURN()

HRESULT CInstallEFIVar::GetEFIVarData(const GUID* guid, const std::wstring& name, ULONG offset, BYTE* value)
try {
    if (!guid || !value) {
        return REPORT_FAILURE(L"CInstallEFIVar::GetEFIVarData", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    size_t index = 0;
    const HRESULT hr = FindOrAddVariable(*guid, name, index);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return REPORT_FAILURE(L"CInstallEFIVar::GetEFIVarData", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Variable %ls was not found", name.c_str());
    }
    RETURN_IF_FAILED(hr);
    const EFIVarRecord& record = m_records[index];
    if (offset >= record.data.size()) {
        return REPORT_FAILURE(L"CInstallEFIVar::GetEFIVarData", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Offset 0x%08X lies past the end of %ls (%u bytes)", static_cast<unsigned>(offset),
                              name.c_str(), static_cast<unsigned>(record.data.size()));
    }
    *value = record.data[offset];
    return S_OK;
}
CATCH_RETURN()

HRESULT CInstallEFIVar::SetEFIVarData(const GUID& guid, const std::wstring& name, ULONG offset, BYTE value)
try {
    size_t index = 0;
    const HRESULT hr = FindOrAddVariable(guid, name, index);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CInstallEFIVar::SetEFIVarData", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"BufferTooSmall not returned");
    }
    EFIVarRecord& record = m_records[index];
    if (offset >= record.data.size()) {
        return REPORT_FAILURE(L"CInstallEFIVar::SetEFIVarData", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Offset 0x%08X lies past the end of %ls (%u bytes)", static_cast<unsigned>(offset),
                              name.c_str(), static_cast<unsigned>(record.data.size()));
    }
    if (!record.writable) {
        return S_FALSE;
    }
    record.data[offset] = value;
    record.mask[offset] = 0xFF;
    return S_OK;
} catch (const std::exception& exception) {
    return ReportException(L"CInstallEFIVar::SetEFIVarData", exception);
} catch (...) {
    return ReportUnknown(L"CInstallEFIVar::SetEFIVarData");
}

// The variable's contents now, for the merge: absent is fine (nothing to keep). The read
// is the size query and the read; a separate size query first would only add a call.
HRESULT CInstallEFIVar::ReadCurrent(const EFIVarRecord& record, std::vector<BYTE>& current, ULONG& attributes,
    bool& exists)
{
    attributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
    current.clear();
    exists = false;
    const HRESULT hr = m_variables.Read(record.name, record.guid, current, &attributes);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        attributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
        return S_OK;
    }
    if (FAILED(hr)) {
        // A password variable that cannot be read cannot be checked for a password either.
        return REPORT_FAILURE(L"CInstallEFIVar::WriteDataWithMask", LOG_ERROR, E_FAIL,
                              Describe(record.writable ? MSG_WRITE_BIOS_FAILED : MSG_PASSWORD_WRITE_FAILED),
                              L"Unable to get current variable value");
    }
    exists = true;
    return S_OK;
}

const EFIVarRecord* CInstallEFIVar::MadeInPlan(const EFIVarRecord& record) const
{
    for (const EFIVarRecord& made : m_madeInPlan) {
        if (Is(made.name, made.guid, record.name.c_str(), record.guid)) {
            return &made;
        }
    }
    return nullptr;
}

HRESULT CInstallEFIVar::WriteDataWithMask(const EFIVarRecord& record)
{
    const LogSite site = LOG_SITE(L"CInstallEFIVar::WriteDataWithMask");
    PlannedVariable planned{record.name, record.guid};
    ULONG attributes = 0;
    RETURN_IF_FAILED(ReadCurrent(record, planned.before, attributes, planned.existed));
    // The one read serves the password check and the merge.
    if (!record.writable && variable_merge::OverwritesPassword(Bytes(planned.before), Bytes(record.mask))) {
        ReportDiagnostic(site, LOG_INFORMATION, L"Password Exists on system");
        ToolkitEvents::Fire([&record](IToolkitEventTarget& target) {
            return target.Fire_OnPasswordExists(record.description.c_str());
        });
        ToolkitEvents::RaiseWarning();
        planned.passwordKept = true;
        m_planned.push_back(std::move(planned));
        return S_OK;
    }
    // A plan does not make the missing "OemDefault"; the install would have made it first.
    const EFIVarRecord* made = MadeInPlan(record);
    planned.after = variable_merge::MergeMasked(made ? Bytes(made->data) : Bytes(planned.before), Bytes(record.data),
                                                Bytes(record.mask));
    const bool needed = variable_merge::NeedsWrite(planned.existed, Bytes(planned.before), Bytes(planned.after));
    if (m_mode == CollectorMode::Plan) {
        m_planned.push_back(std::move(planned));
        return S_OK;
    }
    if (!needed) {
        ReportDiagnostic(site, LOG_INFORMATION, L"%ls already holds these bytes; not written", record.name.c_str());
        return S_OK;
    }
    const HRESULT hr = m_variables.Write(record.name, record.guid, attributes, planned.after);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CInstallEFIVar::WriteDataWithMask", LOG_ERROR, E_FAIL, Describe(MSG_WRITE_BIOS_FAILED),
                              L"SetVariable failed: hr=%x", static_cast<unsigned>(hr));
    }
    return S_OK;
}

HRESULT CInstallEFIVar::Commit()
try {
    bool any = false;
    for (const EFIVarRecord& record : m_records) {
        // Variables that were only read have nothing to write.
        if (std::find(record.mask.begin(), record.mask.end(), BYTE{0xFF}) == record.mask.end()) {
            continue;
        }
        any = true;
        if (FAILED(WriteDataWithMask(record))) {
            return ResultCode::E_EFIVAR_UNKNOWN_RESULT;
        }
    }
    return any ? S_OK : ResultCode::S_NO_VARIABLES;
}
CATCH_RETURN()
