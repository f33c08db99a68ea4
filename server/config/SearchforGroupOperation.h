// CSearchforGroupOperation: finds the group of a tree with a given group ID. The whole tree
// is always walked, so with several such groups the last one visited is the answer.
#pragma once

#include "DataOperation.h"

class CSearchforGroupOperation final : public DataOperationObject<CSearchforGroupOperation> {
public:
    // S_OK with the group, or ResultCode::S_NOT_FOUND with none.
    HRESULT FindGroupByID(EConfigGroupID groupId, IOperationTarget* root, IConfigGroup** group);

    HRESULT OnGroupStart(CConfigGroup* group) override;
    HRESULT Execute() override;

private:
    EConfigGroupID m_eSought = EConfigGroup_Default;
    ComPtr<IConfigGroup> m_pFound;
};
