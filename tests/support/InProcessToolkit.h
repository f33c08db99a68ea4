// The toolkit of the test's own process, made by its class object as the first client of a
// process makes it, with a recording sink on its connection point.
#pragma once

#include "toolkit/Toolkit.h"

#include "TestSupport.h"

#include <ServerLib.h>

class InProcessToolkit : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        ComPtr<IUnknown> classObject;
        ComPtr<IClassFactory> factory;
        ASSERT_HRESULT_SUCCEEDED(CreateToolkitClassObject(&classObject));
        ASSERT_HRESULT_SUCCEEDED(classObject.As(&factory));
        ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&toolkit)));
        ASSERT_HRESULT_SUCCEEDED(RecordingSink::Make(sink));
        ComPtr<IConnectionPointContainer> container;
        ASSERT_HRESULT_SUCCEEDED(toolkit.As(&container));
        ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__IToolkitEvents, &point));
        ASSERT_HRESULT_SUCCEEDED(point->Advise(sink.Get(), &cookie));
    }
    void TearDown() override
    {
        if (point) {
            point->Unadvise(cookie);
        }
        point.Reset();
        sink.Reset();
        toolkit.Reset();
        ComTest::TearDown();
    }

    // How many times the sink heard event `id`.
    int EventCount(DISPID id) const
    {
        int count = 0;
        for (const RecordedEvent& event : sink->events) {
            count += event.id == id ? 1 : 0;
        }
        return count;
    }

    ComPtr<IToolkit> toolkit;
    ComPtr<RecordingSink> sink;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
};
