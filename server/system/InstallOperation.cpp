#include "InstallOperation.h"

#include "BIOSModifiedFlag.h"

#include "config/BIOSImage.h"
#include "config/BIOSInfo.h"
#include "config/CoolingSetting.h"
#include "config/SMBIOSSetting.h"
#include "config/TokensSetting.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"
#include "Owners.h"

namespace {

constexpr wchar_t kReferenceIdKey[] = L"ReferenceSystem.ReferenceID";

HRESULT NullItem(const wchar_t* function)
{
    return REPORT_FAILURE(function, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
}

HRESULT ItemFailed(const wchar_t* function, HRESULT hr, const wchar_t* text)
{
    ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"%ls", text);
    return hr;
}

} // namespace

CInstallOperation::CInstallOperation(IFirmwareVariables& variables, CollectorMode mode)
    : m_context{variables, mode, m_plan}, m_biosImage(m_context), m_biosInfo(m_context), m_smbios(m_context),
      m_cooling(m_context), m_tokens(m_context)
{
}

// An item of a selected component goes to its installer; one of another component is passed by.
template <typename Item, typename Add>
HRESULT CInstallOperation::Collect(bool skipped, Item* item, Add add, const wchar_t* failure)
{
    if (skipped) {
        return S_OK;
    }
    if (!item) {
        return NullItem(L"CInstallOperation::ProcessConfigData");
    }
    const HRESULT hr = add(item);
    return FAILED(hr) ? ItemFailed(L"CInstallOperation::ProcessConfigData", hr, failure) : S_OK;
}

HRESULT CInstallOperation::ProcessConfigData(CBIOSImage* setting)
{
    return Collect(Mask().IsBIOSSkipped(), setting, [this](CBIOSImage* image) { return m_biosImage.SetImage(image); },
                   L"Failure occurred in SetImage");
}

HRESULT CInstallOperation::ProcessConfigData(CBIOSInfo* setting)
try {
    if (Mask().IsBIOSSkipped()) {
        return S_OK;
    }
    if (!setting) {
        return NullItem(L"CInstallOperation::ProcessConfigData");
    }
    std::wstring dataId;
    RETURN_IF_FAILED(setting->GetDataID(&dataId));
    if (dataId != kReferenceIdKey) {
        return S_OK;
    }
    UniqueVariant value;
    RETURN_IF_FAILED(setting->get_Value(value.put()));
    const std::wstring id = V_VT(value.get()) == VT_BSTR && V_BSTR(value.get()) ? V_BSTR(value.get()) : L"";
    ReportDiagnostic(LOG_SITE(L"CInstallOperation::ProcessConfigData"), LOG_INFORMATION,
                     L"BIOS ID retrieved from INI file is %ls", id.c_str());
    m_biosInfo.SetReference(id, setting->Section(), setting->Keyword(), setting->ChecksumValid());
    return S_OK;
}
CATCH_RETURN()

HRESULT CInstallOperation::ProcessConfigData(CSMBIOSSetting* setting)
{
    return Collect(Mask().IsSMBIOSSkipped(), setting, [this](CSMBIOSSetting* row) { return m_smbios.AddSetting(row); },
                   L"Failure occurred in AddSetting");
}

HRESULT CInstallOperation::ProcessConfigData(CCoolingSetting* setting)
{
    return Collect(Mask().IsCoolingSkipped(), setting, [this](CCoolingSetting* item) { return m_cooling.AddSetting(item); },
                   L"Failure occurred in AddSetting");
}

HRESULT CInstallOperation::ProcessConfigData(CTokensSetting* setting)
{
    return Collect(Mask().IsTokensSkipped(), setting, [this](CTokensSetting* token) { return m_tokens.AddSetting(token); },
                   L"Failure occurred in AddSetting");
}

void CInstallOperation::KeepPlanned(const std::vector<PlannedVariable>& planned)
{
    m_plan.variables.insert(m_plan.variables.end(), planned.begin(), planned.end());
}

HRESULT CInstallOperation::CommitSMBIOS()
{
    const HRESULT hr = m_smbios.Commit();
    KeepPlanned(m_smbios.Planned());
    return FAILED(hr) ? ItemFailed(L"CInstallOperation::Execute", hr, L"Failure received in Commit() of SMBIOSSetting") : hr;
}

HRESULT CInstallOperation::CommitBIOSImage()
{
    HRESULT hr = m_biosInfo.CheckBIOSID();
    if (FAILED(hr)) {
        return ItemFailed(L"CInstallOperation::Execute", hr, L"Failure received in Commit() of BIOS Info");
    }
    hr = m_biosImage.Commit();
    KeepPlanned(m_biosImage.Planned());
    return FAILED(hr) ? ItemFailed(L"CInstallOperation::Execute", hr, L"Failure received in Commit() of BIOSImage") : hr;
}

HRESULT CInstallOperation::CommitCooling()
{
    const HRESULT hr = m_cooling.Commit();
    KeepPlanned(m_cooling.Planned());
    return FAILED(hr) ? ItemFailed(L"CInstallOperation::Execute", E_FAIL, L"Failure received in Commit() of CoolingSetting")
                      : hr;
}

HRESULT CInstallOperation::CommitTokens()
{
    const HRESULT hr = m_tokens.Commit();
    KeepPlanned(m_tokens.Planned());
    return FAILED(hr) ? ItemFailed(L"CInstallOperation::Execute", hr, L"Failure received in Commit() of Tokens") : hr;
}

HRESULT CInstallOperation::RunStep(ULONG component, Step step)
{
    ToolkitEvents::Fire([component](IToolkitEventTarget& target) { return target.Fire_OnInstallStart(component); });
    const HRESULT hr = (this->*step)();
    if (FAILED(hr)) {
        return hr;
    }
    ToolkitEvents::Fire([component](IToolkitEventTarget& target) { return target.Fire_OnInstallSuccess(component); });
    if (m_context.mode == CollectorMode::Write) {
        CBIOSModifiedFlag::SetFlag();
    }
    return S_OK;
}

HRESULT CInstallOperation::Execute()
try {
    const CComponentMask& mask = Mask();
    HRESULT hr = S_OK;
    if (!mask.IsSMBIOSSkipped() && FAILED(hr = RunStep(CComponentMask::kSMBIOS, &CInstallOperation::CommitSMBIOS))) {
        return hr;
    }
    if (!mask.IsBIOSSkipped() && FAILED(hr = RunStep(CComponentMask::kBIOS, &CInstallOperation::CommitBIOSImage))) {
        return hr;
    }
    if (!mask.IsCoolingSkipped() && FAILED(hr = RunStep(CComponentMask::kCooling, &CInstallOperation::CommitCooling))) {
        return hr;
    }
    if (!mask.IsTokensSkipped() && FAILED(hr = RunStep(CComponentMask::kTokens, &CInstallOperation::CommitTokens))) {
        return hr;
    }
    return S_OK;
}
CATCH_RETURN()
