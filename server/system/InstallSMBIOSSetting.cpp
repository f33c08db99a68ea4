#include "Installers.h"

#include "FirmwareText.h"
#include "VariableCatalogue.h"

#include "config/ComponentMask.h"
#include "config/SMBIOSSetting.h"
#include "config/SMBIOSTable.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "IniCodePage.h"
#include "MessageIds.h"
#include "Owners.h"


namespace {

// A value longer than the row allows is cut, and the client is told.
void TruncateIfNecessary(const SMBIOSRow& row, std::wstring& value)
{
    if (value.size() <= row.lengthLimit) {
        return;
    }
    const std::wstring before = value;
    value.resize(row.lengthLimit);
    ReportDiagnostic(LOG_SITE(L"CInstallSMBIOSSetting::TruncateIfNecessary"), LOG_WARNING, L"Value truncated: %ls (%u)",
                     value.c_str(), row.lengthLimit);
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnINITruncatedValue(kSMBIOSSection, row.keyword, before.c_str(), value.c_str());
    });
    ToolkitEvents::RaiseWarning();
}

// The string the firmware holds now, for the plan, read as the builder reads it.
std::wstring CurrentText(CInstallEFIVar& collector, const SMBIOSRow& row)
{
    const std::vector<BYTE>* data = nullptr;
    return SUCCEEDED(collector.GetVariableData(VendorGuid::Smbios, row.readVariable, &data)) ? SMBIOSStringText(*data)
                                                                                             : L"";
}

} // namespace

HRESULT CInstallSMBIOSSetting::GetValueFromSetting(CSMBIOSSetting& setting, std::wstring& value)
{
    const LogSite site = LOG_SITE(L"CInstallSMBIOSSetting::GetValueFromSetting");
    if (setting.IsPromptRequest()) {
        UniqueBstr response;
        const HRESULT hr = ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
            return target.Fire_OnSMBIOSPrompt(setting.Prompt().c_str(), response.put());
        });
        if (FAILED(hr)) {
            return ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR), L"SMBIOSPrompt event failure: hr=%x",
                                   static_cast<unsigned>(hr));
        }
        if (!response.get()) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to get value");
        }
        value.assign(response.get(), ::SysStringLen(response.get()));
        return S_OK;
    }
    UniqueVariant held;
    if (FAILED(setting.get_Value(held.put())) || V_VT(held.get()) != VT_BSTR) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to get value");
    }
    const BSTR text = V_BSTR(held.get());
    value.assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
    return S_OK;
}

HRESULT CInstallSMBIOSSetting::AddSetting(CSMBIOSSetting* setting)
try {
    const LogSite site = LOG_SITE(L"CInstallSMBIOSSetting::AddSetting");
    if (!setting) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    std::wstring dataId;
    RETURN_IF_FAILED(setting->GetDataID(&dataId));
    const SMBIOSRow* row = FindSMBIOSRow(dataId);
    if (!row) {
        return ReportFailureAt(LOG_SITE(L"CInstallSMBIOSSetting::GetSMBIOSDataEntry"), LOG_ERROR, E_FAIL,
                               Describe(MSG_INTERNAL_ERROR), L"Unable to locate SMBIOS data entry: %ls", dataId.c_str());
    }
    std::wstring value;
    RETURN_IF_FAILED(GetValueFromSetting(*setting, value));
    TruncateIfNecessary(*row, value);
    m_context.plan.items.push_back(
        {CComponentMask::kSMBIOS, SMBIOSDataID(*row), setting->Name(), CurrentText(m_collector, *row), value, L""});

    std::string bytes;
    WideToAnsi(value, &bytes);
    EFIVarRecord record;
    record.name = row->writtenVariable;
    record.guid = VendorGuid::Smbios;
    record.data.assign(bytes.begin(), bytes.end());
    record.data.push_back(0);
    record.mask.assign(record.data.size(), 0xFF);
    return m_collector.SetEFIVarData(record);
}
CATCH_RETURN()
