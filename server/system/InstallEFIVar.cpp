#include "InstallEFIVar.h"

#include "VariableCatalogue.h"

#include "ErrorMacros.h"

#include <algorithm>

namespace {

bool Is(const std::wstring& name, const GUID& guid, const wchar_t* wantedName, const GUID& wantedGuid)
{
    return name == wantedName && IsEqualGUID(guid, wantedGuid);
}

} // namespace

// Called for a variable the firmware does not hold: a missing "OemDefault" is made as a copy
// of "Setup" at once, and that copy is its local one.
HRESULT CInstallEFIVar::PreProcessVar(EFIVarRecord& record)
{
    if (!Is(record.name, record.guid, L"OemDefault", VendorGuid::Setup)) {
        return ResultCode::E_VARIABLE_NOT_FOUND;
    }
    if (FAILED(m_efiVar.ReadVariable(L"Setup", &record.guid, record.data, &record.attributes))) {
        return REPORT_FAILURE(L"CInstallEFIVar::PreProcessVar", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"BufferTooSmall not returned");
    }
    ULONG written = static_cast<ULONG>(record.data.size());
    ULONG attributes = record.attributes;
    return m_efiVar.SetVariable(record.name, &record.guid, &attributes, &written, record.data.data());
}

HRESULT CInstallEFIVar::AddVariableToLocalList(const GUID& guid, const std::wstring& name, size_t& index)
{
    EFIVarRecord record;
    record.name = name;
    record.guid = guid;
    HRESULT hr = m_efiVar.ReadVariable(name, &guid, record.data, &record.attributes);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        hr = PreProcessVar(record);
    }
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        m_absent.push_back({name, guid});
        return hr;
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CInstallEFIVar::AddVariableToLocalList", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to read variable %ls: hr=%x", name.c_str(), static_cast<unsigned>(hr));
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
}
CATCH_RETURN()

// The local copy holds the firmware's bytes wherever the mask is clear, so writing it whole
// changes exactly the masked bytes.
HRESULT CInstallEFIVar::WriteDataWithMask(EFIVarRecord& record)
{
    ULONG attributes = record.attributes;
    ULONG size = static_cast<ULONG>(record.data.size());
    const HRESULT hr = m_efiVar.SetVariable(record.name, &record.guid, &attributes, &size, record.data.data());
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CInstallEFIVar::WriteDataWithMask", LOG_ERROR, ResultCode::E_EFIVAR_UNKNOWN_RESULT,
                              Description::LogOnly(), L"Unable to write variable %ls: hr=%x", record.name.c_str(),
                              static_cast<unsigned>(hr));
    }
    std::fill(record.mask.begin(), record.mask.end(), BYTE{0});
    return S_OK;
}

HRESULT CInstallEFIVar::Commit()
{
    bool wrote = false;
    for (EFIVarRecord& record : m_records) {
        if (std::find(record.mask.begin(), record.mask.end(), BYTE{0xFF}) == record.mask.end()) {
            continue;
        }
        RETURN_IF_FAILED(WriteDataWithMask(record));
        wrote = true;
    }
    return wrote ? S_OK : ResultCode::S_NO_VARIABLES;
}
