#include "SystemBuilder.h"

#include "VariableCatalogue.h"

#include "config/BIOSInfo.h"
#include "config/ConfigGroup.h"
#include "config/VariantValues.h"
#include "frame/FailureReport.h"

#include "ErrorMacros.h"
#include "FirmwareText.h"
#include "MessageIds.h"

#include <oleauto.h>

namespace {

// Decimal digits [at, at + count) of the ID; false when one is no digit.
bool Number(std::wstring_view id, size_t at, size_t count, WORD& value)
{
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (id[i] < L'0' || id[i] > L'9') {
            return false;
        }
        value = static_cast<WORD>(value * 10 + (id[i] - L'0'));
    }
    return true;
}

int DaysIn(WORD year, WORD month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

HRESULT AddItem(CConfigGroup& group, UINT nameMessage, const wchar_t* dataId, EConfigType type, const VARIANT& value)
{
    ComPtr<CBIOSInfo> item;
    HRESULT hr = CBIOSInfo::Make(item);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to create BIOS Info data object");
    }
    if (FAILED(hr = item->SetName(nameMessage))) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Failed to set the name of the BIOS Info setting.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    item->SetType(type);
    item->SetDataID(dataId);
    item->SetReadOnly(true);
    // Read from the firmware itself, the ID needs no checksum to be trusted: an install of
    // this configuration checks it against the board like one from a file whose checksum held.
    item->SetChecksumValid(true);
    // The firmware's text as it is.
    if (FAILED(hr = item->StoreFirmwareValues(value, value))) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Failed to set the value of the BIOS Info setting.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    if (FAILED(group.AddChildData(item.Get()))) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to add child data to group");
    }
    return S_OK;
}

} // namespace

bool GetFirmwareDate(std::wstring_view id, SYSTEMTIME& date)
{
    date = SYSTEMTIME{};
    if (id.size() < 32 || !Number(id, 18, 4, date.wYear) || !Number(id, 23, 2, date.wMonth) ||
        !Number(id, 25, 2, date.wDay) || !Number(id, 28, 2, date.wHour) || !Number(id, 30, 2, date.wMinute)) {
        return false;
    }
    // A month 13 or a day 32 would otherwise roll over into a later date.
    return date.wYear != 0 && date.wMonth >= 1 && date.wMonth <= 12 && date.wDay >= 1 &&
           date.wDay <= DaysIn(date.wYear, date.wMonth) && date.wHour <= 23 && date.wMinute <= 59;
}

HRESULT CBIOSInfoSystemBuilder::GetFirmwareId(std::wstring& biosId)
try {
    if (!m_strBiosId.empty()) {
        biosId = m_strBiosId;
        return S_OK;
    }
    const std::vector<BYTE>* data = nullptr;
    HRESULT hr = m_collector.GetVariableData(VendorGuid::FirmwareIdFallback, L"FirmwareId", &data);
    if (FAILED(hr)) {
        hr = m_collector.GetVariableData(VendorGuid::FirmwareId, L"FirmwareId", &data);
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::GetFirmwareId", LOG_WARNING, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to retrieve firmware ID");
    }
    ReportDiagnostic(LOG_SITE(L"CBIOSInfoSystemBuilder::GetFirmwareId"), LOG_INFORMATION, L"Firmware ID size: %u",
                     static_cast<unsigned>(data->size()));
    m_strBiosId = FirmwareText(*data);
    biosId = m_strBiosId;
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSInfoSystemBuilder::CreateConfigurationTree(IConfigGroup** out)
try {
    if (!out) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::CreateConfigurationTree", LOG_ERROR, E_POINTER,
                              Describe(MSG_INTERNAL_ERROR), L"Null Pointer");
    }
    ComPtr<CConfigGroup> group;
    RETURN_IF_FAILED(CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), EConfigGroup_BIOSInfo, MSG_BIOS_INFO));
    RETURN_IF_FAILED(group.CopyTo(out));
    std::wstring biosId;
    RETURN_IF_FAILED(GetFirmwareId(biosId));
    UniqueVariant idValue;
    RETURN_IF_FAILED(TextVariant(biosId, idValue));
    RETURN_IF_FAILED(AddItem(*group.Get(), MSG_VERSION, L"ReferenceSystem.ReferenceID", EConfigType_String,
                             *idValue.get()));

    if (biosId.size() < 32) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::GetFirmwareDate", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"FirmwareId too small - less than 32 chars");
    }
    SYSTEMTIME date{};
    double oleDate = 0;
    if (!GetFirmwareDate(biosId, date) || !::SystemTimeToVariantTime(&date, &oleDate)) {
        return REPORT_FAILURE(L"CBIOSInfoSystemBuilder::GetFirmwareDate", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unexpected failure in .SetDateTime()");
    }
    UniqueVariant dateValue;
    V_VT(dateValue.get()) = VT_DATE;
    V_DATE(dateValue.get()) = oleDate;
    return AddItem(*group.Get(), MSG_RELEASE_DATE, L"ReferenceSystem.ReferenceDate", EConfigType_Date,
                   *dateValue.get());
}
CATCH_RETURN()
