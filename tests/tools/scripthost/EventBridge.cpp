#include "EventBridge.h"

#include "ByRefArguments.h"
#include "EventSink.h"

#include "Owners.h"

#include <dispex.h>

namespace {

// Calls the handlers' method named as the event; an event without one is dropped, as a
// script host drops an event the script has no procedure for. Wine's VBScript objects answer
// only IDispatchEx by name (their GetIDsOfNames and Invoke are not implemented).
void CallHandler(IDispatch* handlers, bool variantReferences, const std::wstring& name, DISPPARAMS* parameters,
                 VARIANT* result)
{
    ComPtr<IDispatchEx> handlersEx;
    if (FAILED(handlers->QueryInterface(IID_PPV_ARGS(&handlersEx)))) {
        return;
    }
    DISPID method = DISPID_UNKNOWN;
    UniqueBstr methodName = UniqueBstr::From(name.c_str());
    if (FAILED(handlersEx->GetDispID(methodName.get(), fdexNameCaseInsensitive, &method))) {
        return;
    }
    DISPPARAMS none{};
    auto call = [&](DISPPARAMS* arguments) {
        return handlersEx->InvokeEx(method, LOCALE_USER_DEFAULT, DISPATCH_METHOD, arguments, result, nullptr, nullptr);
    };
    if (!variantReferences) {
        call(parameters ? parameters : &none);
        return;
    }
    CByRefArguments adapted(parameters ? *parameters : none);
    if (SUCCEEDED(call(adapted.parameters()))) {
        adapted.CopyBack();
    }
}

}  // namespace

STDMETHODIMP CEventBridge::Connect(IDispatch* source, IDispatch* handlers, VARIANT_BOOL variantReferences)
{
    if (!source || !handlers) {
        return E_POINTER;
    }
    ComPtr<ITypeInfo> eventInfo;
    IID eventIid{};
    std::wstring error;
    HRESULT hr = CEventConnections::FindDefaultSource(source, &eventInfo, &eventIid, error);
    if (FAILED(hr)) {
        return hr;
    }
    EventHandler handler = [handlers = ComPtr<IDispatch>(handlers), variant = variantReferences != VARIANT_FALSE](
                               const std::wstring& name, DISPPARAMS* parameters, VARIANT* result) {
        CallHandler(handlers.Get(), variant, name, parameters, result);
    };
    ComPtr<IUnknown> sink;
    *sink.ReleaseAndGetAddressOf() =
        static_cast<IDispatch*>(new (std::nothrow) CEventSink(std::move(handler), eventInfo.Get(), eventIid));
    if (!sink) {
        return E_OUTOFMEMORY;
    }
    return m_connections.Add(source, eventIid, sink.Get());
}

STDMETHODIMP CEventBridge::Disconnect()
{
    m_connections.RemoveAll();
    return S_OK;
}
