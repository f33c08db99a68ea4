#include "EventSink.h"

#include "ComOwners.h"
#include "ScriptHost.h"

CEventSink::CEventSink(CScriptHost* host, std::wstring prefix, ITypeInfo* eventInfo, REFIID eventIid)
    : m_host(host), m_prefix(std::move(prefix)), m_eventInfo(eventInfo), m_eventIid(eventIid)
{
}

CEventSink::~CEventSink() = default;

STDMETHODIMP CEventSink::QueryInterface(REFIID iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == m_eventIid) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CEventSink::GetTypeInfoCount(UINT* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

STDMETHODIMP CEventSink::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    m_eventInfo->AddRef();
    *info = m_eventInfo.Get();
    return S_OK;
}

STDMETHODIMP CEventSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    return m_eventInfo->GetIDsOfNames(names, count, ids);
}

// Events the script does not handle, or that are not in the event interface, succeed
// quietly: the source has nobody to tell about them.
STDMETHODIMP CEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
    EXCEPINFO*, UINT*)
{
    return GuardComCall([&] {
        CBstr name;
        UINT found = 0;
        if (FAILED(m_eventInfo->GetNames(id, name.put(), 1, &found)) || found == 0 || !name.get()) {
            return S_OK;
        }
        if (result) {
            VariantInit(result);
        }
        m_host->InvokeHandler(m_prefix + name.str(), parameters, result);
        return S_OK;
    });
}
