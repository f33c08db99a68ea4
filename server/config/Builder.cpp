#include "Builder.h"

#include "ConfigGroup.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

HRESULT CBuilder::CreateGroupObject(UINT messageId, CConfigGroup** group)
{
    if (!group) {
        return REPORT_FAILURE(L"CBuilder::CreateGroupObject", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    *group = nullptr;
    ComPtr<CConfigGroup> created;
    const HRESULT hr = CConfigGroup::Make(created);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBuilder::CreateGroupObject", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to create group object.  hr=%x", static_cast<unsigned>(hr));
    }
    if (FAILED(CConfigGroup::SetGroupName(messageId, created.Get()))) {
        return E_FAIL;
    }
    *group = created.Detach();
    return S_OK;
}
