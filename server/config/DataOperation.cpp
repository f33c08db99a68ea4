#include "DataOperation.h"

#include "ConfigFailure.h"

namespace {
constexpr UINT kMessageInternalError = 154;
} // namespace

HRESULT CDataOperation::ProcessConfigData(CTokensSetting*) { return E_NOTIMPL; }
HRESULT CDataOperation::ProcessConfigData(CCoolingSetting*) { return E_NOTIMPL; }
HRESULT CDataOperation::ProcessConfigData(CSMBIOSSetting*) { return E_NOTIMPL; }
HRESULT CDataOperation::ProcessConfigData(CBIOSInfo*) { return E_NOTIMPL; }
HRESULT CDataOperation::ProcessConfigData(CBIOSImage*) { return E_NOTIMPL; }
HRESULT CDataOperation::OnGroupStart(CConfigGroup*) { return E_NOTIMPL; }
HRESULT CDataOperation::OnGroupFinish(CConfigGroup*) { return E_NOTIMPL; }

HRESULT CDataOperation::Configure(IOperationTarget* target, CComponentMask mask)
{
    if (!target) {
        return ReportConfigFailure(LOG_SITE(L"CDataOperation::Configure"), LOG_ERROR, E_POINTER,
                                   kMessageInternalError, L"Invalid pointer");
    }
    ComPtr<IDataOperation> operation;
    if (FAILED(QueryInterface(IID_PPV_ARGS(&operation)))) {
        return ReportConfigFailure(LOG_SITE(L"CDataOperation::Configure"), LOG_ERROR, E_FAIL, kMessageInternalError,
                                   L"Unable to get IDataOperation interface pointer");
    }
    m_mask = mask;
    return target->Accept(operation.Get());
}

HRESULT CDataOperation::FromInterface(IDataOperation* operation, ComPtr<CDataOperation>& result)
{
    result.Reset();
    if (!operation) {
        return E_POINTER;
    }
    void* self = nullptr;
    if (FAILED(operation->QueryInterface(IID_CDataOperationSelf, &self)) || !self) {
        return E_INVALIDARG;
    }
    // Takes over the reference from QueryInterface (mingw's ComPtr::Attach would add one).
    *result.ReleaseAndGetAddressOf() = static_cast<CDataOperation*>(self);
    return S_OK;
}

HRESULT CDataOperation::FromOperationArgument(IDataOperation* operation, const wchar_t* function,
                                              ComPtr<CDataOperation>& result)
{
    const HRESULT hr = FromInterface(operation, result);
    if (hr == E_POINTER) {
        return ReportConfigFailure(LogSite{function, DiagnosticsSourceName(TOOLKIT_WIDEN(__FILE__)), __LINE__},
                                   LOG_ERROR, hr, kMessageInternalError, L"Invalid Pointer");
    }
    if (FAILED(hr)) {
        return ReportConfigFailure(LogSite{function, DiagnosticsSourceName(TOOLKIT_WIDEN(__FILE__)), __LINE__},
                                   LOG_ERROR, hr, kMessageInternalError,
                                   L"The operation is not a data operation of this server");
    }
    return hr;
}
