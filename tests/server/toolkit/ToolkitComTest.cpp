// The toolkit as clients meet it: created by ProgID from the registered server, called
// through its vtable and late-bound through IDispatch.
#include "TestSupport.h"

#include <ServerLib.h>
#include <olectl.h>

namespace {

constexpr wchar_t kMessage136[] = L"The specified operation is not supported in this version of the application.";

class ToolkitComTest : public ComTest {
protected:
    ComPtr<IToolkit> Create()
    {
        CLSID clsid{};
        EXPECT_HRESULT_SUCCEEDED(::CLSIDFromProgID(L"Server.Toolkit.1", &clsid));
        EXPECT_EQ(clsid, CLSID_Toolkit);
        ComPtr<IToolkit> toolkit;
        EXPECT_HRESULT_SUCCEEDED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&toolkit)));
        return toolkit;
    }
};

TEST_F(ToolkitComTest, TwoCreationsGiveTheSameObject)
{
    ComPtr<IToolkit> first = Create();
    ComPtr<IToolkit> second = Create();
    ASSERT_TRUE(first && second);
    ComPtr<IUnknown> a, b;
    first.As(&a);
    second.As(&b);
    EXPECT_EQ(a.Get(), b.Get());

    CLSID versionIndependent{};
    EXPECT_HRESULT_SUCCEEDED(::CLSIDFromProgID(L"Server.Toolkit", &versionIndependent));
    EXPECT_EQ(versionIndependent, CLSID_Toolkit);
}

TEST_F(ToolkitComTest, AggregationIsRefused)
{
    ComPtr<IToolkit> outer = Create();
    ComPtr<IUnknown> inner;
    EXPECT_EQ(::CoCreateInstance(CLSID_Toolkit, outer.Get(), CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&inner)),
              CLASS_E_NOAGGREGATION);
}

TEST_F(ToolkitComTest, InterfacesOfTheToolkit)
{
    ComPtr<IToolkit> toolkit = Create();
    ComPtr<IDispatch> dispatch;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IProvideClassInfo> classInfo;
    ComPtr<ISupportErrorInfo> errorInfo;
    ComPtr<IBiosCapsule> wrong;
    EXPECT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    EXPECT_HRESULT_SUCCEEDED(toolkit.As(&container));
    EXPECT_HRESULT_SUCCEEDED(toolkit.As(&classInfo));
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&errorInfo));
    EXPECT_EQ(toolkit.As(&wrong), E_NOINTERFACE);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IToolkit), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IToolkit, &point), CONNECT_E_NOCONNECTION);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_HRESULT_SUCCEEDED(container->EnumConnectionPoints(&points));
    IConnectionPoint* found[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    IID iid{};
    found[0]->GetConnectionInterface(&iid);
    EXPECT_EQ(iid, DIID__IToolkitEvents);
    found[0]->Release();
}

TEST_F(ToolkitComTest, VersionThroughVtableAndDispatch)
{
    ComPtr<IToolkit> toolkit = Create();
    UniqueBstr version;
    ASSERT_EQ(toolkit->get_Version(version.put()), S_OK);
    EXPECT_STREQ(version.c_str(), L"1, 4, 1, 130");
    short major = 0, minor = 0, patch = 0, build = 0;
    EXPECT_EQ(toolkit->get_VersionMajor(&major), S_OK);
    EXPECT_EQ(toolkit->get_VersionMinor(&minor), S_OK);
    EXPECT_EQ(toolkit->get_VersionPatch(&patch), S_OK);
    EXPECT_EQ(toolkit->get_VersionBuild(&build), S_OK);
    EXPECT_EQ(major * 1000000 + minor * 10000 + patch * 1000 + build, 1041130);
    EXPECT_EQ(toolkit->get_Version(nullptr), E_POINTER);

    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    UniqueVariant result;
    ASSERT_EQ(InvokeByName(dispatch.Get(), L"Version", DISPATCH_PROPERTYGET, {}, result.put()), S_OK);
    ASSERT_EQ(V_VT(result.get()), VT_BSTR);
    EXPECT_STREQ(V_BSTR(result.get()), L"1, 4, 1, 130");
    ASSERT_EQ(InvokeByName(dispatch.Get(), L"VersionBuild", DISPATCH_PROPERTYGET, {}, result.put()), S_OK);
    EXPECT_EQ(V_VT(result.get()), VT_I2);
    EXPECT_EQ(V_I2(result.get()), 130);
}

TEST_F(ToolkitComTest, RefusedMethodsCarryMessage136AndTheirInterface)
{
    ComPtr<IToolkit> toolkit = Create();
    EXPECT_EQ(toolkit->Reboot(), E_NOTIMPL);
    GUID guid{};
    EXPECT_EQ(TakeErrorDescription(&guid), kMessage136);
    EXPECT_EQ(guid, IID_IToolkit);

    EXPECT_EQ(toolkit->Verify(1), E_NOTIMPL);
    EXPECT_EQ(toolkit->Report(nullptr), E_NOTIMPL);
    EXPECT_EQ(TakeErrorDescription(), kMessage136);

    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    EXCEPINFO exception{};
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"Reboot", DISPATCH_METHOD, {}, nullptr, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_NOTIMPL);
    EXPECT_STREQ(exception.bstrDescription ? exception.bstrDescription : L"", kMessage136);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrHelpFile);
}

TEST_F(ToolkitComTest, SystemCapabilitiesAreCachedAndAnswerThroughIDispatch)
{
    ComPtr<IToolkit> toolkit = Create();
    ComPtr<ISystemCapabilities> first, second;
    ASSERT_EQ(toolkit->get_SystemCapabilities(&first), S_OK);
    ASSERT_EQ(toolkit->get_SystemCapabilities(&second), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(toolkit->get_SystemCapabilities(nullptr), E_POINTER);

    // Without a board the firmware answers nothing, so nothing is supported.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"FWSIM_STORE", nullptr) || ::GetLastError() == ERROR_ENVVAR_NOT_FOUND);
    ComPtr<IDispatch> created;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_SystemCapabilities, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_PPV_ARGS(&created)));
    for (const wchar_t* name : {L"isSarn", L"isMobile", L"SupportsTokenApplicability"}) {
        UniqueVariant result;
        EXPECT_EQ(InvokeByName(created.Get(), name, DISPATCH_PROPERTYGET, {}, result.put()), S_OK) << Narrow(name);
        EXPECT_EQ(V_VT(result.get()), VT_BOOL) << Narrow(name);
        EXPECT_EQ(V_BOOL(result.get()), VARIANT_FALSE) << Narrow(name);
    }
}

} // namespace
