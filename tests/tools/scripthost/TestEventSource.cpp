#include "TestEventSource.h"

#include "ComOwners.h"

#include <olectl.h>

using Microsoft::WRL::ComPtr;

HRESULT CTestEventSource::Create(REFIID iid, void** object)
{
    auto* source = new (std::nothrow) CTestEventSource();
    if (!source) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = GetTestTypeInfo(IID_ITestEventSource, &source->m_typeInfo);
    if (SUCCEEDED(hr)) {
        hr = source->QueryInterface(iid, object);
    }
    source->Release();
    return hr;
}

CTestEventSource::CTestEventSource()
{
    LockTestModule();
}

CTestEventSource::~CTestEventSource()
{
    UnlockTestModule();
}

STDMETHODIMP CTestEventSource::QueryInterface(REFIID iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ITestEventSource) {
        *object = static_cast<ITestEventSource*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
        *object = static_cast<IProvideClassInfo2*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CTestEventSource::GetTypeInfoCount(UINT* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

STDMETHODIMP CTestEventSource::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    return m_typeInfo.CopyTo(info);
}

STDMETHODIMP CTestEventSource::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    return m_typeInfo->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP CTestEventSource::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
    EXCEPINFO* exception, UINT* argumentError)
{
    return m_typeInfo->Invoke(static_cast<ITestEventSource*>(this), id, flags, parameters, result, exception, argumentError);
}

std::vector<ComPtr<IDispatch>> CTestEventSource::SinkSnapshot() const
{
    std::vector<ComPtr<IDispatch>> sinks;
    for (const auto& sink : m_sinks) {
        if (sink) {
            sinks.push_back(sink);
        }
    }
    return sinks;
}

// Fires at a snapshot: a handler may disconnect itself while we loop.
HRESULT CTestEventSource::Fire(DISPID id, VARIANT* arguments, UINT count)
{
    return GuardComCall([&] {
        for (const auto& sink : SinkSnapshot()) {
            DISPPARAMS parameters{arguments, nullptr, count, 0};
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
        }
        return S_OK;
    });
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
    return Fire(1, arguments, 2);
}

STDMETHODIMP CTestEventSource::Query(BSTR* answer)
{
    if (!answer) {
        return E_POINTER;
    }
    *answer = nullptr;
    CBstr value(L"unanswered");
    if (!value.get()) {
        return E_OUTOFMEMORY;
    }
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&argument) = value.address_of();
    const HRESULT hr = Fire(2, &argument, 1);
    if (FAILED(hr)) {
        return hr;
    }
    *answer = value.release();
    return S_OK;
}

STDMETHODIMP CTestEventSource::get_SinkCount(LONG* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = static_cast<LONG>(SinkSnapshot().size());
    return S_OK;
}

STDMETHODIMP CTestEventSource::GetClassInfo(ITypeInfo** info)
{
    if (!info) {
        return E_POINTER;
    }
    return GetTestTypeInfo(CLSID_TestEventSource, info);
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
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP CTestEventSource::GetConnectionInterface(IID* iid)
{
    if (!iid) {
        return E_POINTER;
    }
    *iid = DIID__ITestEventSourceEvents;
    return S_OK;
}

STDMETHODIMP CTestEventSource::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container) {
        return E_POINTER;
    }
    *container = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP CTestEventSource::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(DIID__ITestEventSourceEvents, reinterpret_cast<void**>(dispatch.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch)))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    return GuardComCall([&] {
        for (std::size_t i = 0; i < m_sinks.size(); ++i) {
            if (!m_sinks[i]) {
                m_sinks[i] = dispatch;
                *cookie = static_cast<DWORD>(i + 1);
                return S_OK;
            }
        }
        m_sinks.push_back(dispatch);
        *cookie = static_cast<DWORD>(m_sinks.size());
        return S_OK;
    });
}

STDMETHODIMP CTestEventSource::Unadvise(DWORD cookie)
{
    if (cookie == 0 || cookie > m_sinks.size() || !m_sinks[cookie - 1]) {
        return CONNECT_E_NOCONNECTION;
    }
    m_sinks[cookie - 1].Reset();
    return S_OK;
}

STDMETHODIMP CTestEventSource::EnumConnections(IEnumConnections** connections)
{
    if (connections) {
        *connections = nullptr;
    }
    return E_NOTIMPL;
}
