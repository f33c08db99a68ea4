#include "InstallEFIVar.h"

#include "ErrorMacros.h"

HRESULT CInstallEFIVar::AddVariableToLocalList(const GUID& guid, const std::wstring& name, size_t& index)
{
    EFIVarRecord record;
    record.name = name;
    record.guid = guid;
    const HRESULT hr = m_efiVar.ReadVariable(name, &guid, record.data);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return REPORT_FAILURE(L"CInstallEFIVar::AddVariableToLocalList", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Variable %s was not found", name.c_str());
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CInstallEFIVar::AddVariableToLocalList", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to read variable %s: hr=%x", name.c_str(), static_cast<unsigned>(hr));
    }
    record.mask.assign(record.data.size(), 0);
    m_records.push_back(std::move(record));
    index = m_records.size() - 1;
    return S_OK;
}

HRESULT CInstallEFIVar::FindOrAddVariable(const GUID& guid, const std::wstring& name, size_t& index)
{
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].name == name && IsEqualGUID(m_records[i].guid, guid)) {
            index = i;
            return S_OK;
        }
    }
    return AddVariableToLocalList(guid, name, index);
}

HRESULT CInstallEFIVar::GetEFIVarData(const GUID* guid, const std::wstring& name, ULONG offset, BYTE* value)
try {
    if (!guid || !value) {
        return REPORT_FAILURE(L"CInstallEFIVar::GetEFIVarData", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    size_t index = 0;
    RETURN_IF_FAILED(FindOrAddVariable(*guid, name, index));
    const EFIVarRecord& record = m_records[index];
    if (offset >= record.data.size()) {
        return REPORT_FAILURE(L"CInstallEFIVar::GetEFIVarData", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Offset 0x%08X lies past the end of %s (%u bytes)", static_cast<unsigned>(offset),
                              name.c_str(), static_cast<unsigned>(record.data.size()));
    }
    *value = record.data[offset];
    return S_OK;
}
CATCH_RETURN()
