#include "System.h"

#include "config/ConfigGroup.h"
#include "config/SearchforGroupOperation.h"
#include "config/SearchforTokenOperation.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "ini/INIBuilder.h"
#include "ini/WriteINIOperation.h"
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
