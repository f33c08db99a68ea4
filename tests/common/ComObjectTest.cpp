// The shared object template: identity, reference counts, aggregation and the module lock.
#include "ClassFactory.h"
#include "ComRegistrar.h"
#include "ModuleLock.h"

#include "TestSupport.h"

#include <ocidl.h>

namespace {

int g_liveObjects = 0;

class CountedObject final : public ComObject<CountedObject, IPersist, ISupportErrorInfo> {
public:
    CountedObject() { ++g_liveObjects; }
    ~CountedObject() override { --g_liveObjects; }
    IFACEMETHODIMP GetClassID(CLSID* clsid) override
    {
        *clsid = GUID_NULL;
        return S_OK;
    }
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID) override { return S_OK; }
};

class FailingObject final : public ComObject<FailingObject, IPersist> {
public:
    FailingObject() { ++g_liveObjects; }
    ~FailingObject() override { --g_liveObjects; }
    HRESULT FinalConstruct() { return E_ACCESSDENIED; }
    IFACEMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
};

// A minimal outer object: holds the inner's non-delegating IUnknown.
class Outer final : public ComObject<Outer, IPersistStream> {
public:
    HRESULT FinalConstruct()
    {
        return CountedObject::CreateObject(ControllingUnknown(), IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf()));
    }
    void* QueryExtraInterface(REFIID iid)
    {
        void* found = nullptr;
        if (iid == IID_IPersist && SUCCEEDED(inner->QueryInterface(iid, &found))) {
            // The inner's delegating AddRef went to us; the caller's reference is that one.
            Release();
            return found;
        }
        return nullptr;
    }
    IFACEMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP IsDirty() override { return S_FALSE; }
    IFACEMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    ComPtr<IUnknown> inner;
};

TEST(ComObjectTest, IdentityAndBalancedReferences)
{
    const long locks = ModuleLock::Count();
    {
        ComPtr<IPersist> persist;
        ASSERT_EQ(CountedObject::CreateObject(nullptr, IID_PPV_ARGS(&persist)), S_OK);
        EXPECT_EQ(g_liveObjects, 1);
        EXPECT_EQ(ModuleLock::Count(), locks + 1);
        ComPtr<IUnknown> viaPersist, viaError;
        ComPtr<ISupportErrorInfo> errorInfo;
        ASSERT_HRESULT_SUCCEEDED(persist.As(&errorInfo));
        persist.As(&viaPersist);
        errorInfo.As(&viaError);
        EXPECT_EQ(viaPersist.Get(), viaError.Get());
        ComPtr<IDispatch> none;
        EXPECT_EQ(persist.As(&none), E_NOINTERFACE);
        EXPECT_EQ(none.Get(), nullptr);
        EXPECT_EQ(persist->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    }
    EXPECT_EQ(g_liveObjects, 0);
    EXPECT_EQ(ModuleLock::Count(), locks);
}

TEST(ComObjectTest, FailedConstructionDestroysTheObject)
{
    ComPtr<IPersist> persist;
    EXPECT_EQ(FailingObject::CreateObject(nullptr, IID_PPV_ARGS(&persist)), E_ACCESSDENIED);
    EXPECT_EQ(persist.Get(), nullptr);
    EXPECT_EQ(g_liveObjects, 0);
}

TEST(ComObjectTest, AggregationDelegatesToTheOuterObject)
{
    {
        ComPtr<IPersistStream> outer;
        ASSERT_EQ(Outer::CreateObject(nullptr, IID_PPV_ARGS(&outer)), S_OK);
        ComPtr<IPersist> innerPersist;
        ASSERT_HRESULT_SUCCEEDED(outer.As(&innerPersist));
        // Identity is the outer's, even when asked through the inner's interface.
        ComPtr<IUnknown> identity, outerIdentity;
        innerPersist.As(&identity);
        outer.As(&outerIdentity);
        EXPECT_EQ(identity.Get(), outerIdentity.Get());
        ComPtr<IPersistStream> back;
        EXPECT_HRESULT_SUCCEEDED(innerPersist.As(&back));
        EXPECT_EQ(g_liveObjects, 1);
    }
    EXPECT_EQ(g_liveObjects, 0);

    ComPtr<IUnknown> dummyOuter;
    ASSERT_EQ(CountedObject::CreateObject(nullptr, IID_PPV_ARGS(&dummyOuter)), S_OK);
    ComPtr<IPersist> refused;
    EXPECT_EQ(CountedObject::CreateObject(dummyOuter.Get(), IID_PPV_ARGS(&refused)), CLASS_E_NOAGGREGATION);
}

TEST(ComObjectTest, ClassFactoryCreatesObjectsWithoutHoldingTheModule)
{
    const long locks = ModuleLock::Count();
    ComPtr<IUnknown> classObject;
    ASSERT_EQ(CreateClassObject<ClassFactory<CountedObject>>(&classObject), S_OK);
    EXPECT_EQ(ModuleLock::Count(), locks);
    ComPtr<IClassFactory> factory;
    ASSERT_HRESULT_SUCCEEDED(classObject.As(&factory));
    ComPtr<IPersist> made;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&made)), S_OK);
    EXPECT_EQ(ModuleLock::Count(), locks + 1);
    made.Reset();
    factory->LockServer(TRUE);
    EXPECT_EQ(ModuleLock::Count(), locks + 1);
    factory->LockServer(FALSE);
    EXPECT_EQ(ModuleLock::Count(), locks);
}

TEST(ComRegistrarTest, RegistersOnlyLibrariesThatExportAndSucceed)
{
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    const std::wstring bin = ProgramFolder();
    EXPECT_EQ(CCOMRegistrar::RegisterServer((bin + L"\\PellamW.dll").c_str()), S_OK);
    EXPECT_EQ(CCOMRegistrar::RegisterServer((bin + L"\\PellamWRes.dll").c_str()), E_FAIL); // no export
    EXPECT_EQ(CCOMRegistrar::RegisterServer((bin + L"\\NoSuchLibrary.dll").c_str()), E_FAIL);
    EXPECT_EQ(CCOMRegistrar::RegisterServer(nullptr), E_FAIL);
    ::CoUninitialize();
}

} // namespace
