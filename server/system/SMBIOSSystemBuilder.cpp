#include "SystemBuilder.h"

#include "FirmwareText.h"
#include "VariableCatalogue.h"

#include "config/ConfigGroup.h"
#include "config/SMBIOSSetting.h"
#include "config/SMBIOSTable.h"
#include "config/VariantValues.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <algorithm>

namespace {

HRESULT CreateRow(CInstallEFIVar& collector, const SMBIOSRow& row, CConfigGroup& group)
{
    ReportDiagnostic(LOG_SITE(L"CSMBIOSSystemBuilder::CreateConfigurationTree"), LOG_INFORMATION,
                     L"Creating SMBIOS element: %ls", SMBIOSDataID(row).c_str());
    ComPtr<CSMBIOSSetting> item;
    RETURN_IF_FAILED(CSMBIOSSetting::MakeForRow(row, item));
    const std::vector<BYTE>* data = nullptr;
    if (const HRESULT hr = collector.GetVariableData(VendorGuid::Smbios, row.readVariable, &data);
        hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return REPORT_FAILURE(L"CSMBIOSSystemBuilder::PopulateSetting", LOG_ERROR, hr,
                              Describe(MSG_SMBIOS_STRINGS_ABSENT, row.readVariable, SMBIOSDataID(row).c_str()),
                              L"The SMBIOS string variable \"%ls\" (%ls) is absent: strings removed by Remove come "
                              L"back at the next restart",
                              row.readVariable, SMBIOSDataID(row).c_str());
    } else if (FAILED(hr)) {
        return REPORT_FAILURE(L"CSMBIOSSystemBuilder::PopulateSetting", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"The SMBIOS string variable \"%ls\" (%ls) cannot be "
                              L"read: hr=%x",
                              row.readVariable, SMBIOSDataID(row).c_str(), static_cast<unsigned>(hr));
    }
    ReportDiagnostic(LOG_SITE(L"CSMBIOSSystemBuilder::PopulateSetting"), LOG_INFORMATION, L"Buffer Size = %u",
                     static_cast<unsigned>(data->size()));
    UniqueVariant value;
    RETURN_IF_FAILED(TextVariant(SMBIOSStringText(*data), value));
    // The board's string as it is, also one that no INI line could hold.
    RETURN_IF_FAILED(item->StoreFirmwareValues(*value.get(), *value.get()));
    if (const HRESULT hr = group.AddChildData(item.Get()); FAILED(hr)) {
        return REPORT_FAILURE(L"CSMBIOSSystemBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to QueryInterface for IConfigGroup.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    return S_OK;
}

} // namespace

HRESULT CSMBIOSSystemBuilder::CreateConfigurationTree(IConfigGroup** out)
try {
    if (!out) {
        return E_POINTER;
    }
    ComPtr<CConfigGroup> group;
    RETURN_IF_FAILED(CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), EConfigGroup_SMBIOS, MSG_SMBIOS_DATA));
    RETURN_IF_FAILED(group.CopyTo(out));
    for (const SMBIOSRow& row : kSMBIOSRows) {
        const HRESULT hr = CreateRow(m_collector, row, *group.Get());
        if (FAILED(hr)) {
            m_absentRow = hr == ResultCode::E_VARIABLE_NOT_FOUND ? &row : nullptr;
            return hr;
        }
    }
    return S_OK;
}
CATCH_RETURN()
