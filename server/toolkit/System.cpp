#include "System.h"

#include "config/ConfigGroup.h"
#include "config/SearchforGroupOperation.h"
#include "config/SearchforTokenOperation.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "ini/INIBuilder.h"
#include "ini/WriteINIOperation.h"
#include "system/FanControlConfiguration.h"
#include "system/InstallOperation.h"
#include "system/PayloadManager.h"
#include "system/SystemBuilder.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

namespace {

// What a caller sees of a build: the codes it can act on, else a plain failure.
HRESULT MapBuildResult(HRESULT hr)
{
    if (hr == S_OK || hr == ResultCode::S_NOTHING_TO_DO || hr == ResultCode::E_SETTING_UNUSABLE ||
        hr == ResultCode::E_INI_READ) {
        return hr;
    }
    return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

HRESULT RootTarget(IConfigGroup* root, ComPtr<IOperationTarget>& target)
{
    return root ? root->QueryInterface(IID_PPV_ARGS(&target)) : E_POINTER;
}

} // namespace

HRESULT CSystem::CreateEmpty(std::unique_ptr<CSystem>& system)
try {
    auto created = std::make_unique<CSystem>();
    RETURN_IF_FAILED(CConfigGroup::CreateAndSetupGroup(created->m_pRoot.GetAddressOf(), EConfigGroup_Root, 0));
    system = std::move(created);
    return S_OK;
}
CATCH_RETURN()

// A new configuration built by `builder`, handed out even when the build fails.
HRESULT CSystem::CreateWith(CBuilder& builder, std::unique_ptr<CSystem>& system)
try {
    std::unique_ptr<CSystem> created;
    RETURN_IF_FAILED(CreateEmpty(created));
    ComPtr<IConfigGroup> root;
    const HRESULT hr = builder.CreateConfigurationTree(root.GetAddressOf());
    if (root) {
        created->m_pRoot = root;
    }
    created->m_bComplete = SUCCEEDED(hr);
    system = std::move(created);
    return MapBuildResult(hr);
}
CATCH_RETURN()

HRESULT CSystem::CreateSystemFromFile(const std::wstring& path, CComponentMask mask, std::unique_ptr<CSystem>& system)
try {
    CINIBuilder builder(path, mask);
    return CreateWith(builder, system);
}
CATCH_RETURN()

HRESULT CSystem::CreateSystemFromRefSystem(CComponentMask mask, std::unique_ptr<CSystem>& system)
try {
    CSystemBuilder builder(mask);
    return CreateWith(builder, system);
}
CATCH_RETURN()

HRESULT CSystem::FlashBIOS(const SFlashOptions& options)
try {
    CFlashOperation operation;
    const HRESULT hr = operation.Execute(options);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CSystem::FlashBIOS"), LOG_ERROR, L"Failed to flash the BIOS");
    }
    return hr;
}
CATCH_RETURN()

HRESULT CSystem::WriteINIFile(const std::wstring& path, CComponentMask mask)
try {
    ComPtr<IOperationTarget> target;
    RETURN_IF_FAILED(RootTarget(m_pRoot.Get(), target));
    ComPtr<CWriteINIOperation> operation;
    RETURN_IF_FAILED(CWriteINIOperation::Make(operation));
    HRESULT hr = operation->Configure(target.Get(), path, mask);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CToolkit::WriteINIFile", LOG_ERROR, hr, Description::LogOnly(),
                              L"Failed to configure the data node");
    }
    if (FAILED(hr = operation->Execute())) {
        return REPORT_FAILURE(L"CToolkit::WriteINIFile", LOG_ERROR, hr, Description::LogOnly(),
                              L"Failed to write INI file");
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CSystem::GetConfigGroup(EConfigGroupID id, IConfigGroup** group)
try {
    ComPtr<IOperationTarget> target;
    RETURN_IF_FAILED(RootTarget(m_pRoot.Get(), target));
    ComPtr<CSearchforGroupOperation> search;
    RETURN_IF_FAILED(CSearchforGroupOperation::Make(search));
    return search->FindGroupByID(id, target.Get(), group);
}
CATCH_RETURN()

HRESULT CSystem::GetTokenSetting(const unsigned short* uqi, ITokenConfigData** token)
try {
    ComPtr<IOperationTarget> target;
    RETURN_IF_FAILED(RootTarget(m_pRoot.Get(), target));
    ComPtr<CSearchforTokenOperation> search;
    RETURN_IF_FAILED(CSearchforTokenOperation::Make(search));
    return search->FindTokenByUQI(uqi, target.Get(), token);
}
CATCH_RETURN()

namespace {

// What the toolkit's install makes of the payload manager's result: a payload that was
// refused fails only its own component, anything else ends the install.
HRESULT MapPayloadResult(HRESULT hr)
{
    if (hr == S_OK || hr == ResultCode::S_PAYLOAD_NEWER) {
        return S_OK;
    }
    if (hr == ResultCode::E_PAYLOAD_SYSTEM || hr == ResultCode::E_PAYLOAD_UNKNOWN || hr == ResultCode::E_PAYLOAD_SIZE) {
        return ResultCode::E_PAYLOAD_INSTALL;
    }
    return E_FAIL;
}

} // namespace

// The fan-control payload goes first; a firmware that runs its own fan-control configuration
// takes nothing from an install.
HRESULT CSystem::InstallPayloadIfRequested(CComponentMask mask, IFirmwareVariables& variables, CollectorMode mode,
                                           std::vector<PlannedVariable>& planned)
{
    const LogSite site = LOG_SITE(L"CSystem::InstallPayloadIfRequested");
    if (mask.IsPayloadSkipped()) {
        ReportDiagnostic(site, LOG_INFORMATION, L"Payload operation not requested");
        return ResultCode::S_NOTHING_TO_DO;
    }
    if (m_strPayloadFileName.empty()) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_NO_PAYLOAD, Describe(MSG_NO_PAYLOAD_FILE),
                               L"No payload file set");
    }
    if (FanControlConfiguration(variables)) {
        return ResultCode::S_PAYLOAD_ALREADY_PRESENT;
    }
    const ULONG payload = CComponentMask::kPayload;
    ToolkitEvents::Fire([payload](IToolkitEventTarget& target) { return target.Fire_OnInstallStart(payload); });
    CPayloadManager manager(variables, mode);
    const HRESULT hr = manager.Install(m_strPayloadFileName);
    if (SUCCEEDED(hr)) {
        ToolkitEvents::Fire([payload](IToolkitEventTarget& target) { return target.Fire_OnInstallSuccess(payload); });
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"Payload Manager Install Result=%x", static_cast<unsigned>(hr));
    planned = manager.Planned();
    return MapPayloadResult(hr);
}

HRESULT CSystem::Install(CComponentMask mask, IFirmwareVariables& variables, CollectorMode mode, InstallPlan* plan)
try {
    std::vector<PlannedVariable> payloadPlan;
    const HRESULT payload = InstallPayloadIfRequested(mask, variables, mode, payloadPlan);
    if (payload == ResultCode::S_PAYLOAD_ALREADY_PRESENT || payload == E_FAIL || payload == ResultCode::E_NO_PAYLOAD) {
        return payload;
    }
    const bool payloadFailed = payload == ResultCode::E_PAYLOAD_INSTALL;
    if (FAILED(payload) && !payloadFailed) {
        return E_FAIL;
    }
    ComPtr<IOperationTarget> target;
    RETURN_IF_FAILED(RootTarget(m_pRoot.Get(), target));
    ComPtr<CInstallOperation> operation;
    RETURN_IF_FAILED(CInstallOperation::Make(operation, variables, mode));
    HRESULT hr = operation->Configure(target.Get(), mask);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CSystem::Install"), LOG_ERROR, L"Failed to configure the data node");
    } else if (FAILED(hr = operation->Execute())) {
        ReportDiagnostic(LOG_SITE(L"CSystem::Install"), LOG_ERROR, L"Failed execution of install");
    }
    if (plan) {
        // The events were recorded into the caller's plan as they fired.
        plan->items = std::move(operation->Plan().items);
        // The payload's variable is written first.
        plan->variables = std::move(payloadPlan);
        plan->variables.insert(plan->variables.end(), operation->Plan().variables.begin(),
                               operation->Plan().variables.end());
        plan->result = hr;
    }
    RETURN_IF_FAILED(hr);
    if (payloadFailed) {
        return REPORT_FAILURE(L"CSystem::Install", LOG_ERROR, E_FAIL, Describe(MSG_INSTALL_FAILED),
                              L"Unable to install one or more components");
    }
    return S_OK;
}
CATCH_RETURN()
