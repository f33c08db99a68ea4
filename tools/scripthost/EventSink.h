#pragma once
// Receives an object's events and calls the script's procedures named prefix + event name.
#include "ComObjectBase.h"

#include <oaidl.h>
#include <wrl/client.h>

#include <string>

class CScriptHost;

class CEventSink final : public CComObjectBase<IDispatch> {
public:
    CEventSink(CScriptHost* host, std::wstring prefix, ITypeInfo* eventInfo, REFIID eventIid);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
        EXCEPINFO* exception, UINT* argumentError) override;

private:
    ~CEventSink() override;

    Microsoft::WRL::ComPtr<CScriptHost> m_host;
    std::wstring m_prefix;
    Microsoft::WRL::ComPtr<ITypeInfo> m_eventInfo;
    IID m_eventIid;
};
