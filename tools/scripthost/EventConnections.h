#pragma once
// The event connections a script made, kept until it disconnects them or ends.
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

class CEventConnections {
public:
    CEventConnections() = default;
    ~CEventConnections() { RemoveAll(); }
    CEventConnections(const CEventConnections&) = delete;
    CEventConnections& operator=(const CEventConnections&) = delete;

    // The [default, source] interface of the object's class, which must be a plain
    // dispinterface: our sink has no vtable methods beyond IDispatch.
    static HRESULT FindDefaultSource(IUnknown* object, ITypeInfo** eventInfo, IID* eventIid, std::wstring& error);

    HRESULT Add(IUnknown* object, REFIID eventIid, IUnknown* sink);
    // Disconnects every connection made to this object; returns how many there were.
    std::size_t Remove(IUnknown* object);
    void RemoveAll();

private:
    struct Connection {
        Microsoft::WRL::ComPtr<IUnknown> identity;
        Microsoft::WRL::ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
    };

    std::vector<Connection> m_connections;
};
