#include "SarnQRVData.h"

#include "EFIVar.h"
#include "FirmwareAccess.h"
#include "HiiConvert.h"
#include "ProcessState.h"
#include "QrvRecords.h"

#include "ErrorMacros.h"

#include <algorithm>
#include <cwchar>

namespace {

HRESULT LoadEqVarTable(std::optional<EqVarTable>& loaded)
{
    std::vector<BYTE> record;
    const HRESULT hr = CSarnQRVData(QRV_RECORD_EQ_VAR_VAL).ReadRecord(record);
    EqVarTable table;
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        loaded = std::move(table);
        return S_OK;
    }
    RETURN_IF_FAILED(hr);
    table.recordFound = true;
    table.pairs = ReadEqVarPairs(record);
    loaded = std::move(table);
    return S_OK;
}

} // namespace

HRESULT CSarnQRVData::ReadQRVDataFromBIOS(BYTE** buffer, ULONG* size)
{
    const LogSite site = LOG_SITE(L"CSarnQRVData::ReadQRVDataFromBIOS");
    if (!buffer || !size) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    if (*buffer) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                               L"The dereferenced pointer is not null");
    }
    CFirmwareAccess access;
    std::vector<BYTE> bytes;
    const HRESULT hr = access->Read(VariableName::QrvDataVar, VendorGuid::QrvData, bytes, nullptr);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return hr;
    }
    if (FAILED(hr) || bytes.size() <= QRV_RECORD_HEADER_SIZE) {
        // A read that succeeded began with a size query that answered "buffer too small".
        const HRESULT answer = FAILED(hr) ? hr : ResultCode::E_BUFFERTOOSMALL;
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_VARIABLE_SIZE,
                               Describe(MSG_BIOS_OPERATION_NOT_SUPPORTED), L"Unable to get variable size: %lx.  Data size: %u",
                               static_cast<unsigned long>(answer), static_cast<unsigned>(bytes.size()));
    }
    const ULONG read = static_cast<ULONG>(bytes.size());
    auto data = std::make_unique<BYTE[]>(read);
    std::copy(bytes.begin(), bytes.end(), data.get());
    *buffer = data.release();
    *size = read;
    return S_OK;
}

HRESULT CSarnQRVData::ReadRecord(std::vector<BYTE>& found)
try {
    const LogSite site = LOG_SITE(L"CSarnQRVData::ReadRecord");
    BYTE* raw = nullptr;
    ULONG total = 0;
    HRESULT hr = ReadQRVDataFromBIOS(&raw, &total);
    if (FAILED(hr)) {
        return hr;
    }
    const std::unique_ptr<BYTE[]> variable(raw);
    std::span<const uint8_t> record;
    std::string problem;
    switch (FindQrvRecord(std::span<const uint8_t>(variable.get(), total), m_version, record, problem)) {
    case QrvFind::Absent:
        return ResultCode::E_VARIABLE_NOT_FOUND;
    case QrvFind::Malformed:
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_VARIABLE_SIZE, Describe(MSG_BIOS_OPERATION_NOT_SUPPORTED),
                               L"QrvDataVar is damaged: %s", ToWide(problem).c_str());
    case QrvFind::Found:
        break;
    }
    found.assign(record.begin(), record.end());
    return S_OK;
}
CATCH_RETURN()

HRESULT CSarnQRVData::ReadFromBIOS(void* buffer, ULONG* size)
try {
    const LogSite site = LOG_SITE(L"CSarnQRVData::ReadFromBIOS");
    if (!size || (!buffer && *size != 0)) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    std::vector<BYTE> record;
    const HRESULT hr = ReadRecord(record);
    if (FAILED(hr)) {
        return hr;
    }
    if (*size < record.size()) {
        *size = static_cast<ULONG>(record.size());
        return ReportFailureAt(site, LOG_WARNING, ResultCode::E_BUFFERTOOSMALL, Describe(MSG_INTERNAL_ERROR),
                               L"Buffer too small");
    }
    std::copy(record.begin(), record.end(), static_cast<BYTE*>(buffer));
    *size = static_cast<ULONG>(record.size());
    return S_OK;
}
CATCH_RETURN()

HRESULT CHiiVarEqManager::GetEqVarValue(USHORT variableId, USHORT* value)
{
    const LogSite site = LOG_SITE(L"CHiiVarEqManager::GetEqVarValue");
    if (!value) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    std::optional<EqVarTable>& table = ProcessState::Instance().eqVarTable;
    if (!table) {
        RETURN_IF_FAILED(LoadEqVarTable(table));
    }
    if (!table->recordFound) {
        return ReportFailureAt(site, LOG_INFORMATION, ResultCode::E_VARIABLE_NOT_FOUND,
                               Describe(MSG_APPLICABILITY_UNKNOWN),
                               L"VAR_EQ_VAL (FALSE) No QRVVarData structure was found.");
    }
    for (const auto& [id, found] : table->pairs) {
        if (id == variableId) {
            *value = found;
            ReportDiagnostic(site, LOG_INFORMATION, L"Located EQ_VAR_VAL ID %hu [Value = %hu]", variableId, found);
            return S_OK;
        }
    }
    return ReportFailureAt(site, LOG_INFORMATION, ResultCode::E_VARIABLE_NOT_FOUND, Describe(MSG_APPLICABILITY_UNKNOWN),
                           L"Unable to locate EQ_VAR_VAL ID %hu", variableId);
}

std::wstring DoNotShowKey(USHORT uqi)
{
    wchar_t text[8] = {};
    std::swprintf(text, 8, L"%04x", uqi);
    return text;
}

HRESULT PopulateDoNotShowList(std::set<std::wstring>& list)
try {
    const LogSite site = LOG_SITE(L"PopulateDoNotShowList");
    // One read of the variable: the list is asked for on every read of the system.
    CSarnQRVData data(QRV_RECORD_DO_NOT_SHOW);
    std::vector<BYTE> record;
    const HRESULT hr = data.ReadRecord(record);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        // Boards that hide nothing carry no record.
        ReportDiagnostic(site, LOG_INFORMATION, L"No do-not-show list on this system");
        return S_OK;
    }
    if (FAILED(hr)) {
        return hr;  // a damaged or unreadable variable, reported where it was found
    }
    const ULONG size = static_cast<ULONG>(record.size());
    std::vector<uint16_t> uqis;
    std::string problem;
    if (!ReadDoNotShowUqis(std::span<const uint8_t>(record.data(), size), uqis, problem)) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_VARIABLE_SIZE, Describe(MSG_BIOS_OPERATION_NOT_SUPPORTED),
                               L"QrvDataVar is damaged: %s", ToWide(problem).c_str());
    }
    for (uint16_t uqi : uqis) {
        list.insert(DoNotShowKey(uqi));
    }
    return S_OK;
} catch (const std::bad_alloc&) {
    ReportDiagnostic(LOG_SITE(L"PopulateDoNotShowList"), LOG_ERROR, L"Failure in allocating memory");
    return E_FAIL;
}
