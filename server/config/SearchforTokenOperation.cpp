#include "SearchforTokenOperation.h"

#include "frame/FailureReport.h"
#include "MessageIds.h"
#include "TokensSetting.h"

#include "frame/ResultCodes.h"

HRESULT CSearchforTokenOperation::FindTokenByUQI(const unsigned short* uqi, IOperationTarget* root,
                                                 ITokenConfigData** token)
{
    if (!uqi || !root || !token) {
        return REPORT_FAILURE(L"CSearchforTokenOperation::FindTokenByUQI", LOG_ERROR, E_POINTER,
                              Describe(MSG_INTERNAL_ERROR), L"Invalid pointer");
    }
    *token = nullptr;
    m_nSought = uqi[0];
    m_pFound.Reset();
    if (FAILED(Configure(root, CComponentMask()))) {
        m_pFound.Reset();
        return REPORT_FAILURE(L"CSearchforTokenOperation::FindTokenByUQI", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Not able to configure the Token Operation object");
    }
    if (!m_pFound) {
        ReportDiagnostic(LOG_SITE(L"CSearchforTokenOperation::FindTokenByUQI"), LOG_INFORMATION,
                         L"EConfigGroup ID not found");
        return ResultCode::S_NOT_FOUND;
    }
    *token = m_pFound.Detach();
    ReportDiagnostic(LOG_SITE(L"CSearchforTokenOperation::FindTokenByUQI"), LOG_INFORMATION, L"Token ID found");
    return S_OK;
}

HRESULT CSearchforTokenOperation::ProcessConfigData(CTokensSetting* setting)
{
    if (!setting || !setting->HasUQINumber(m_nSought)) {
        return ResultCode::S_NOT_FOUND;
    }
    ReportDiagnostic(LOG_SITE(L"CSearchforTokenOperation::ProcessConfigData"), LOG_INFORMATION,
                     L"Token ID found, setting private member variable");
    ComPtr<ITokenConfigData> found;
    if (FAILED(setting->QueryInterface(IID_PPV_ARGS(&found)))) {
        return E_FAIL;
    }
    m_pFound = std::move(found);
    return S_OK;
}

HRESULT CSearchforTokenOperation::Execute()
{
    ReportDiagnostic(LOG_SITE(L"CSearchforTokenOperation::Execute"), LOG_ERROR, L"Execute called unexpectedly");
    return E_NOTIMPL;
}
