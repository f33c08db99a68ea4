// One connection point, embedded in the object that offers it: its reference count is the
// container's, so neither keeps the other alive in a cycle.
//
// Sinks sit in a growable slot array; a cookie is the slot index + 1 and Unadvise empties
// the slot, so cookies stay stable. A sink that offers only IDispatch is accepted, as
// script sinks do.
#pragma once

#include "ComObject.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, const IID& eventInterface)
        : m_container(container), m_eventInterface(eventInterface)
    {
    }
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return m_container->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return m_container->Release(); }

    IFACEMETHODIMP GetConnectionInterface(IID* iid) override;
    IFACEMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumConnections(IEnumConnections** enumerator) override;

    // The connected sinks at this moment, each with a reference of its own, so that a sink
    // may unadvise itself (or others) while an event is being delivered.
    std::vector<ComPtr<IDispatch>> Snapshot() const;
    // Calls every sink with DISPATCH_METHOD; returns the result of the last Invoke, or S_OK
    // when nothing is connected.
    HRESULT Fire(DISPID id, DISPPARAMS& parameters) const;
    size_t ConnectionCount() const;
    const IID& EventInterface() const { return m_eventInterface; }

private:
    IConnectionPointContainer* m_container;
    IID m_eventInterface;
    std::vector<ComPtr<IDispatch>> m_sinks;
};
