#include "ConnectionPoint.h"

#include "Enumerator.h"

#include <memory>
#include <new>

IFACEMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) {
        return E_NOINTERFACE;
    }
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid) {
        return E_POINTER;
    }
    *iid = m_eventInterface;
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container) {
        return E_POINTER;
    }
    *container = m_container;
    m_container->AddRef();
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    if (!sink) {
        return E_POINTER;
    }
    ComPtr<IDispatch> dispatch;
    // Events are delivered through IDispatch::Invoke whichever interface the sink offers.
    if (FAILED(sink->QueryInterface(m_eventInterface, reinterpret_cast<void**>(dispatch.GetAddressOf())))
        && FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch)))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    try {
        for (size_t index = 0; index < m_sinks.size(); ++index) {
            if (!m_sinks[index]) {
                m_sinks[index] = dispatch;
                *cookie = static_cast<DWORD>(index + 1);
                return S_OK;
            }
        }
        m_sinks.push_back(dispatch);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = static_cast<DWORD>(m_sinks.size());
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::Unadvise(DWORD cookie)
{
    if (cookie == 0 || cookie > m_sinks.size() || !m_sinks[cookie - 1]) {
        return CONNECT_E_NOCONNECTION;
    }
    // Move out first: releasing the sink may call back into us.
    ComPtr<IDispatch> released = std::move(m_sinks[cookie - 1]);
    m_sinks[cookie - 1].Reset();
    return S_OK;
}

IFACEMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** enumerator)
{
    if (!enumerator) {
        return E_POINTER;
    }
    *enumerator = nullptr;
    using Enum = SnapshotEnumerator<IEnumConnections, ConnectionElement>;
    try {
        auto elements = std::make_shared<Enum::Elements>();
        for (size_t index = 0; index < m_sinks.size(); ++index) {
            if (m_sinks[index]) {
                elements->push_back({m_sinks[index], static_cast<DWORD>(index + 1)});
            }
        }
        return Enum::CreateObject(nullptr, IID_IEnumConnections, reinterpret_cast<void**>(enumerator),
                                    std::shared_ptr<const Enum::Elements>(std::move(elements)));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<ComPtr<IDispatch>> ConnectionPoint::Snapshot() const
{
    std::vector<ComPtr<IDispatch>> sinks;
    for (const ComPtr<IDispatch>& sink : m_sinks) {
        if (sink) {
            sinks.push_back(sink);
        }
    }
    return sinks;
}

HRESULT ConnectionPoint::Fire(DISPID id, DISPPARAMS& parameters) const
{
    HRESULT hr = S_OK;
    // Slots are read afresh at each index: a sink that an earlier sink unadvised is not
    // called, and the reference taken here keeps a sink alive through its own Unadvise.
    const size_t count = m_sinks.size();
    for (size_t index = 0; index < count && index < m_sinks.size(); ++index) {
        ComPtr<IDispatch> sink = m_sinks[index];
        if (sink) {
            hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr,
                              nullptr);
        }
    }
    return hr;
}

size_t ConnectionPoint::ConnectionCount() const
{
    size_t count = 0;
    for (const ComPtr<IDispatch>& sink : m_sinks) {
        count += sink ? 1 : 0;
    }
    return count;
}
