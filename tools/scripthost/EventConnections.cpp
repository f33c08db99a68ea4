#include "EventConnections.h"

#include "ScriptFile.h"

#include <oaidl.h>
#include <olectl.h>

using Microsoft::WRL::ComPtr;

namespace {

class CTypeAttr {
public:
    explicit CTypeAttr(ITypeInfo* info) : m_info(info)
    {
        if (FAILED(info->GetTypeAttr(&m_attr))) {
            m_attr = nullptr;
        }
    }
    ~CTypeAttr()
    {
        if (m_attr) {
            m_info->ReleaseTypeAttr(m_attr);
        }
    }
    CTypeAttr(const CTypeAttr&) = delete;
    CTypeAttr& operator=(const CTypeAttr&) = delete;
    const TYPEATTR* get() const { return m_attr; }

private:
    ITypeInfo* m_info;
    TYPEATTR* m_attr = nullptr;
};

ComPtr<IUnknown> Identity(IUnknown* object)
{
    ComPtr<IUnknown> identity;
    object->QueryInterface(IID_PPV_ARGS(&identity));
    return identity;
}

// Objects without IProvideClassInfo: the coclass named by IPersist in the library that
// describes the object's IDispatch.
HRESULT FindClassInfoFromLibrary(IUnknown* object, ComPtr<ITypeInfo>& classInfo)
{
    ComPtr<IPersist> persist;
    ComPtr<IDispatch> dispatch;
    ComPtr<ITypeInfo> dispatchInfo;
    ComPtr<ITypeLib> library;
    CLSID classId{};
    UINT index = 0;
    HRESULT hr = object->QueryInterface(IID_PPV_ARGS(&persist));
    if (SUCCEEDED(hr)) hr = persist->GetClassID(&classId);
    if (SUCCEEDED(hr)) hr = object->QueryInterface(IID_PPV_ARGS(&dispatch));
    if (SUCCEEDED(hr)) hr = dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &dispatchInfo);
    if (SUCCEEDED(hr) && !dispatchInfo) hr = E_NOINTERFACE;
    if (SUCCEEDED(hr)) hr = dispatchInfo->GetContainingTypeLib(&library, &index);
    if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(classId, &classInfo);
    return hr;
}

HRESULT FindClassInfo(IUnknown* object, ComPtr<ITypeInfo>& classInfo)
{
    ComPtr<IProvideClassInfo> provider;
    if (SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&provider))) &&
        SUCCEEDED(provider->GetClassInfo(&classInfo)) && classInfo) {
        return S_OK;
    }
    classInfo.Reset();
    return FindClassInfoFromLibrary(object, classInfo);
}

// Prefers the [default, source] interface; a class with a single source interface that is
// not marked default still has an obvious one.
HRESULT FindSourceInterface(ITypeInfo* classInfo, ComPtr<ITypeInfo>& eventInfo)
{
    CTypeAttr attr(classInfo);
    if (!attr.get() || attr.get()->typekind != TKIND_COCLASS) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    int chosen = -1;
    for (UINT i = 0; i < attr.get()->cImplTypes; ++i) {
        INT flags = 0;
        if (FAILED(classInfo->GetImplTypeFlags(i, &flags)) || !(flags & IMPLTYPEFLAG_FSOURCE)) {
            continue;
        }
        if (flags & IMPLTYPEFLAG_FDEFAULT) {
            chosen = static_cast<int>(i);
            break;
        }
        if (chosen < 0) {
            chosen = static_cast<int>(i);
        }
    }
    if (chosen < 0) {
        return CONNECT_E_NOCONNECTION;
    }
    HREFTYPE reference = 0;
    HRESULT hr = classInfo->GetRefTypeOfImplType(static_cast<UINT>(chosen), &reference);
    if (SUCCEEDED(hr)) {
        hr = classInfo->GetRefTypeInfo(reference, &eventInfo);
    }
    return hr;
}

}  // namespace

HRESULT CEventConnections::FindDefaultSource(IUnknown* object, ITypeInfo** eventInfo, IID* eventIid, std::wstring& error)
{
    *eventInfo = nullptr;
    ComPtr<ITypeInfo> classInfo;
    HRESULT hr = FindClassInfo(object, classInfo);
    if (FAILED(hr)) {
        error = L"the object does not describe its class (no IProvideClassInfo): " + DescribeResult(hr);
        return hr;
    }
    ComPtr<ITypeInfo> sourceInfo;
    hr = FindSourceInterface(classInfo.Get(), sourceInfo);
    if (FAILED(hr)) {
        error = L"the object's class has no event interface: " + DescribeResult(hr);
        return hr;
    }
    CTypeAttr attr(sourceInfo.Get());
    if (!attr.get()) {
        error = L"the event interface cannot be read";
        return E_FAIL;
    }
    if (attr.get()->typekind != TKIND_DISPATCH || (attr.get()->wTypeFlags & TYPEFLAG_FDUAL)) {
        error = L"the object's event interface is not a dispinterface";
        return E_NOINTERFACE;
    }
    *eventIid = attr.get()->guid;
    *eventInfo = sourceInfo.Detach();
    return S_OK;
}

HRESULT CEventConnections::Add(IUnknown* object, REFIID eventIid, IUnknown* sink)
{
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = object->QueryInterface(IID_PPV_ARGS(&container));
    if (FAILED(hr)) {
        return hr;
    }
    Connection connection;
    connection.identity = Identity(object);
    hr = container->FindConnectionPoint(eventIid, &connection.point);
    if (SUCCEEDED(hr)) {
        hr = connection.point->Advise(sink, &connection.cookie);
    }
    if (FAILED(hr)) {
        return hr;
    }
    m_connections.push_back(std::move(connection));
    return S_OK;
}

std::size_t CEventConnections::Remove(IUnknown* object)
{
    const ComPtr<IUnknown> identity = Identity(object);
    std::vector<Connection> removed;
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if (it->identity == identity) {
            removed.push_back(std::move(*it));
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
    // Unadvised only once out of the list: the object may call back into the script meanwhile.
    for (auto& connection : removed) {
        connection.point->Unadvise(connection.cookie);
    }
    return removed.size();
}

void CEventConnections::RemoveAll()
{
    std::vector<Connection> removed;
    removed.swap(m_connections);
    for (auto& connection : removed) {
        connection.point->Unadvise(connection.cookie);
    }
}
