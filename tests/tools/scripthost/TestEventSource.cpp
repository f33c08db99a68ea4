#include "TestEventSource.h"

#include "Owners.h"
#include "TypeLibrary.h"

#include <olectl.h>

void* CTestEventSource::QueryExtraInterface(REFIID iid)
{
    return iid == IID_IProvideClassInfo ? static_cast<IProvideClassInfo2*>(this) : nullptr;
}

STDMETHODIMP CTestEventSource::Ping(LONG value, BSTR text)
{
    VARIANT arguments[2];  // reverse order: text, then value
    VariantInit(&arguments[0]);
    V_VT(&arguments[0]) = VT_BSTR;
    V_BSTR(&arguments[0]) = text;  // borrowed for the call
    VariantInit(&arguments[1]);
    V_VT(&arguments[1]) = VT_I4;
    V_I4(&arguments[1]) = value;
    DISPPARAMS parameters{arguments, nullptr, 2, 0};
    m_events.Fire(1, parameters);
    return S_OK;
}

STDMETHODIMP CTestEventSource::Query(BSTR* answer)
{
    if (!answer) {
        return E_POINTER;
    }
    *answer = nullptr;
    // The handler may replace the string behind the reference.
    UniqueVariant value;
    V_VT(value.get()) = VT_BSTR;
    V_BSTR(value.get()) = SysAllocString(L"unanswered");
    if (!V_BSTR(value.get())) {
        return E_OUTOFMEMORY;
    }
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&argument) = &V_BSTR(value.get());
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    m_events.Fire(2, parameters);
    *answer = V_BSTR(value.get());
    V_VT(value.get()) = VT_EMPTY;
    return S_OK;
}

STDMETHODIMP CTestEventSource::get_SinkCount(LONG* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = static_cast<LONG>(m_events.ConnectionCount());
    return S_OK;
}

STDMETHODIMP CTestEventSource::GetClassInfo(ITypeInfo** info)
{
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    ComPtr<ITypeLib> library;
    HRESULT hr = TypeLibrary::Load(LIBID_ScriptHostTestLib, 1, 0, reinterpret_cast<const void*>(&TypeLibrary::Load),
                                   &library);
    return FAILED(hr) ? hr : library->GetTypeInfoOfGuid(CLSID_TestEventSource, info);
}

STDMETHODIMP CTestEventSource::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid) {
        return E_POINTER;
    }
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID__ITestEventSourceEvents;
    return S_OK;
}

STDMETHODIMP CTestEventSource::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (points) {
        *points = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP CTestEventSource::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point) {
        return E_POINTER;
    }
    *point = nullptr;
    if (iid != DIID__ITestEventSourceEvents) {
        return CONNECT_E_NOCONNECTION;
    }
    *point = &m_events;
    m_events.AddRef();
    return S_OK;
}
