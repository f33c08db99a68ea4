#include "SystemBuilder.h"

#include "ConfigurationPoint.h"
#include "CoolingBuilder.h"
#include "FanControlConfiguration.h"
#include "FirmwareAccess.h"

#include "config/StructuralGroups.h"
#include "frame/ErrorInfoManager.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

namespace {

void FireExtract(ULONG component, HRESULT outcome)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return SUCCEEDED(outcome) ? target.Fire_OnExtractSuccess(component) : target.Fire_OnExtractFail(component);
    });
}

// One component between its start and its outcome events; true when it failed.
template <typename Build>
bool Extract(ULONG component, Build&& build)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnExtractStart(component); });
    const HRESULT hr = build();
    FireExtract(component, hr);
    return FAILED(hr);
}

} // namespace

HRESULT CSystemBuilder::CreateConfigurationTree(IConfigGroup** root)
try {
    if (!root) {
        return REPORT_FAILURE(L"CSystemBuilder::CreateConfigurationTree", LOG_ERROR, E_POINTER,
                              Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer: ppConfigGroup");
    }
    *root = nullptr;
    StructuralGroups groups(L"CSystemBuilder::CreateStructuralGroups");
    RETURN_IF_FAILED(groups.Create());

    bool failed = FAILED(CBIOSInfoSystemBuilder(m_collector).CreateConfigurationTree(groups.biosInfo.GetAddressOf()));
    if (!m_mask.IsCoolingSkipped()) {
        // A board that keeps its own fan-control configuration is not read at all.
        CFirmwareAccess access;
        if (FanControlConfiguration(access.Variables())) {
            ReportDiagnostic(LOG_SITE(L"CSystemBuilder::CreateConfigurationTree"), LOG_INFORMATION,
                             L"The firmware holds its own fan-control configuration; nothing is read");
            return ResultCode::S_NOTHING_TO_DO;
        }
        failed |= Extract(CComponentMask::kCooling, [&] {
            return CCoolingSystemBuilder(true).CreateConfigurationTree(groups.cooling.GetAddressOf());
        });
    }
    CSMBIOSSystemBuilder smbios(m_collector);
    if (!m_mask.IsSMBIOSSkipped()) {
        failed |= Extract(CComponentMask::kSMBIOS,
                          [&] { return smbios.CreateConfigurationTree(groups.smbios.GetAddressOf()); });
    }
    if (!m_mask.IsBIOSSkipped()) {
        failed |= Extract(CComponentMask::kBIOS, [&] {
            return CBIOSImageSystemBuilder(m_collector).CreateConfigurationTree(groups.biosImage.GetAddressOf());
        });
    }
    if (!m_mask.IsTokensSkipped()) {
        failed |= Extract(CComponentMask::kTokens, [&] {
            return CTokensSystemBuilder(m_collector).CreateConfigurationTree(groups.tokens.GetAddressOf());
        });
    }
    if (failed) {
        // Strings missing after a removal are the one failure whose cure the user must hear:
        // the restart.
        const SMBIOSRow* absent = smbios.AbsentRow();
        return REPORT_FAILURE(L"CSystemBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              absent ? Describe(MSG_SMBIOS_STRINGS_ABSENT, absent->readVariable,
                                                SMBIOSDataID(*absent).c_str())
                                     : Describe(MSG_RETRIEVE_FAILED),
                              L"One or more components could not be read");
    }
    if (!ConfigurationPoint::ComponentsOnly() && FAILED(groups.Attach())) {
        return REPORT_FAILURE(L"CSystemBuilder::CreateChildRelationship", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to get Toolkit interface pointer");
    }
    return groups.root->QueryInterface(IID_PPV_ARGS(root));
}
CATCH_RETURN()
