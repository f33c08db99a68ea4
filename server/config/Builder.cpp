#include "Builder.h"

#include "ConfigGroup.h"

HRESULT CBuilder::CreateGroupObject(UINT messageId, CConfigGroup** group)
{
    if (!group) {
        return ReportConfigFailure(LOG_SITE(L"CBuilder::CreateGroupObject"), LOG_ERROR, E_POINTER, 154,
                                   L"Invalid Pointer");
    }
    *group = nullptr;
    ComPtr<CConfigGroup> created;
    const HRESULT hr = CConfigGroup::Make(created);
    if (FAILED(hr)) {
        return ReportConfigFailure(LOG_SITE(L"CBuilder::CreateGroupObject"), LOG_ERROR, E_FAIL, 154,
                                   L"Unable to create group object.  hr=%x", static_cast<unsigned>(hr));
    }
    if (FAILED(CConfigGroup::SetGroupName(messageId, created.Get()))) {
        return E_FAIL;
    }
    *group = created.Detach();
    return S_OK;
}
