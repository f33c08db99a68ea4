#pragma once
// The event bridge ("ScriptHostTest.EventBridge"): connects a script object's methods to the
// events of another object, for tests under hosts that cannot connect events (Wine's cscript
// refuses WScript.CreateObject with a prefix and WScript.ConnectObject).
#include "TestEventSource_h.h"

#include "DispatchImpl.h"
#include "EventConnections.h"

class CEventBridge final : public ComObject<CEventBridge, DispatchOf<LIBID_ScriptHostTestLib, 1, 0, IEventBridge>> {
public:
    static constexpr bool kAggregatable = false;

    CEventBridge() = default;

    // IEventBridge
    STDMETHODIMP Connect(IDispatch* source, IDispatch* handlers, VARIANT_BOOL variantReferences) override;
    STDMETHODIMP Disconnect() override;

private:
    CEventConnections m_connections;
};
