#include "EventSink.h"

#include "ErrorMacros.h"
#include "Owners.h"

CEventSink::CEventSink(EventHandler handler, ITypeInfo* eventInfo, REFIID eventIid)
    : m_handler(std::move(handler)), m_eventInfo(eventInfo), m_eventIid(eventIid)
{
}

CEventSink::~CEventSink() = default;

void* CEventSink::QueryExtraInterface(REFIID iid)
{
    return iid == m_eventIid ? static_cast<IDispatch*>(this) : nullptr;
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
    try {
        UniqueBstr name;
        UINT found = 0;
        if (FAILED(m_eventInfo->GetNames(id, name.put(), 1, &found)) || found == 0 || !name) {
            return S_OK;
        }
        if (result) {
            VariantInit(result);
        }
        m_handler(std::wstring(name.c_str(), name.length()), parameters, result);
        return S_OK;
    }
    CATCH_RETURN()
}
