#pragma once
// The test event source object: one connection point for its event interface, IDispatch
// from the type library inside the DLL.
#include "TestEventSource_h.h"

#include "ConnectionPoint.h"
#include "DispatchImpl.h"

#include <ocidl.h>

class CTestEventSource final
    : public ComObject<CTestEventSource, DispatchOf<LIBID_ScriptHostTestLib, 1, 0, ITestEventSource>,
                       IProvideClassInfo2, IConnectionPointContainer> {
public:
    static constexpr bool kAggregatable = false;

    CTestEventSource() = default;
    // IProvideClassInfo2 answers for IProvideClassInfo too.
    void* QueryExtraInterface(REFIID iid);

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

private:
    ConnectionPoint m_events{this, DIID__ITestEventSourceEvents};
};
