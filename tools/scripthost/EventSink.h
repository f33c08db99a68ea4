#pragma once
// Receives an object's events and hands each, by its name in the event interface, to a
// handler: the script host's calls the script's procedure prefix + name.
#include "ComObject.h"

#include <oaidl.h>

#include <functional>
#include <string>

// The event's name, its arguments as the source passed them, and the result to fill.
using EventHandler = std::function<void(const std::wstring& name, DISPPARAMS* parameters, VARIANT* result)>;

class CEventSink final : public ComObject<CEventSink, IDispatch> {
public:
    CEventSink(EventHandler handler, ITypeInfo* eventInfo, REFIID eventIid);

    // The event interface itself, as sources ask for it before IDispatch.
    void* QueryExtraInterface(REFIID iid);
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
        EXCEPINFO* exception, UINT* argumentError) override;

private:
    ~CEventSink() override;

    EventHandler m_handler;
    ComPtr<ITypeInfo> m_eventInfo;
    IID m_eventIid;
};
