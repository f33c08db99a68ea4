// CSearchforTokenOperation: finds the token setting of a tree with a given 16-bit UQI. As
// with groups, the last match in visiting order is the answer.
#pragma once

#include "DataOperation.h"

class CSearchforTokenOperation final : public DataOperationObject<CSearchforTokenOperation> {
public:
    // `uqi` points at the UQI; its first 16-bit unit is the number sought. S_OK with the
    // token, or ResultCode::S_NOT_FOUND with none.
    HRESULT FindTokenByUQI(const unsigned short* uqi, IOperationTarget* root, ITokenConfigData** token);

    HRESULT ProcessConfigData(CTokensSetting* setting) override;
    using CDataOperation::ProcessConfigData;
    HRESULT Execute() override;

private:
    unsigned short m_nSought = 0;
    ComPtr<ITokenConfigData> m_pFound;
};
