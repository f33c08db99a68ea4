#include "DataOperation.h"

#include "frame/FailureReport.h"
#include "MessageIds.h"

namespace {
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
        return REPORT_FAILURE(L"CDataOperation::Configure", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    ComPtr<IDataOperation> operation;
    if (FAILED(QueryInterface(IID_PPV_ARGS(&operation)))) {
        return REPORT_FAILURE(L"CDataOperation::Configure", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
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

HRESULT CDataOperation::FromOperationArgument(IDataOperation* operation, const LogSite& site,
                                              ComPtr<CDataOperation>& result)
{
    const HRESULT hr = FromInterface(operation, result);
    if (hr == E_POINTER) {
        return ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    if (FAILED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                               L"The operation is not a data operation of this server");
    }
    return hr;
}
