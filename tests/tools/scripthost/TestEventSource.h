#pragma once
// The test event source object and what its DLL module shares with it.
#include "ComObjectBase.h"
#include "TestEventSource_h.h"

#include <ocidl.h>
#include <wrl/client.h>

#include <vector>

void LockTestModule();
void UnlockTestModule();
// The type library embedded in this DLL, loaded once.
HRESULT GetTestTypeInfo(REFGUID guid, ITypeInfo** info);

class CTestEventSource final
    : public CComObjectBase<ITestEventSource, IProvideClassInfo2, IConnectionPointContainer, IConnectionPoint> {
public:
    static HRESULT Create(REFIID iid, void** object);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
        EXCEPINFO* exception, UINT* argumentError) override;
    // ITestEventSource
    STDMETHODIMP Ping(LONG value, BSTR text) override;
    STDMETHODIMP Query(BSTR* answer) override;
    STDMETHODIMP get_SinkCount(LONG* count) override;
    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;
    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    // IConnectionPoint (one event interface, so the object is its own connection point)
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

private:
    CTestEventSource();
    ~CTestEventSource() override;

    std::vector<Microsoft::WRL::ComPtr<IDispatch>> SinkSnapshot() const;
    HRESULT Fire(DISPID id, VARIANT* arguments, UINT count);

    Microsoft::WRL::ComPtr<ITypeInfo> m_typeInfo;
    // Slot index + 1 is the cookie; Unadvise empties the slot so other cookies stay valid.
    std::vector<Microsoft::WRL::ComPtr<IDispatch>> m_sinks;
};
