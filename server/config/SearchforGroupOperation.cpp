#include "SearchforGroupOperation.h"

#include "ConfigGroup.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include "frame/ResultCodes.h"

HRESULT CSearchforGroupOperation::FindGroupByID(EConfigGroupID groupId, IOperationTarget* root, IConfigGroup** group)
{
    if (!root || !group) {
        return REPORT_FAILURE(L"CSearchforGroupOperation::FindGroupByID", LOG_ERROR, E_POINTER,
                              Describe(MSG_INTERNAL_ERROR), L"Invalid pointer");
    }
    *group = nullptr;
    m_eSought = groupId;
    m_pFound.Reset();
    if (FAILED(Configure(root, CComponentMask()))) {
        m_pFound.Reset();
        return REPORT_FAILURE(L"CSearchforGroupOperation::FindGroupByID", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Not able to configure the operation object");
    }
    if (!m_pFound) {
        ReportDiagnostic(LOG_SITE(L"CSearchforGroupOperation::FindGroupByID"), LOG_INFORMATION,
                         L"EConfigGroup ID not found");
        return ResultCode::S_NOT_FOUND;
    }
    *group = m_pFound.Detach();
    ReportDiagnostic(LOG_SITE(L"CSearchforGroupOperation::FindGroupByID"), LOG_INFORMATION, L"EConfigGroup ID found");
    return S_OK;
}

HRESULT CSearchforGroupOperation::OnGroupStart(CConfigGroup* group)
{
    if (!group || group->GetGroupID() != m_eSought) {
        return ResultCode::S_NOT_FOUND;
    }
    ReportDiagnostic(LOG_SITE(L"CSearchforGroupOperation::OnGroupStart"), LOG_INFORMATION,
                     L"Group ID found, setting private member variable");
    ComPtr<IConfigGroup> found;
    if (FAILED(group->QueryInterface(IID_PPV_ARGS(&found)))) {
        return E_FAIL;
    }
    m_pFound = std::move(found);
    return S_OK;
}

HRESULT CSearchforGroupOperation::Execute()
{
    ReportDiagnostic(LOG_SITE(L"CSearchforGroupOperation::Execute"), LOG_ERROR, L"Execute called unexpectedly");
    return E_NOTIMPL;
}
