#pragma once
// Receives an object's events and calls the script's procedures named prefix + event name.
#include "ComObject.h"

#include <oaidl.h>

#include <string>

class CScriptHost;

class CEventSink final : public ComObject<CEventSink, IDispatch> {
public:
    CEventSink(CScriptHost* host, std::wstring prefix, ITypeInfo* eventInfo, REFIID eventIid);

    // The event interface itself, as sources ask for it before IDispatch.
    void* QueryExtraInterface(REFIID iid);
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
        EXCEPINFO* exception, UINT* argumentError) override;

private:
    ~CEventSink() override;

    ComPtr<CScriptHost> m_host;
    std::wstring m_prefix;
    ComPtr<ITypeInfo> m_eventInfo;
    IID m_eventIid;
};
