// The toolkit's class object, connection point and event firing, driven in-process.
#include "toolkit/Toolkit.h"

#include "TestSupport.h"

#include <ServerLib.h>

namespace {

class ToolkitEventsTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(CreateToolkitClassObject(&m_classObject));
        ASSERT_HRESULT_SUCCEEDED(m_classObject.As(&m_factory));
    }
    void TearDown() override
    {
        m_factory.Reset();
        m_classObject.Reset();
        ComTest::TearDown();
    }

    ComPtr<IToolkit> CreateToolkit()
    {
        ComPtr<IToolkit> toolkit;
        EXPECT_HRESULT_SUCCEEDED(m_factory->CreateInstance(nullptr, IID_PPV_ARGS(&toolkit)));
        return toolkit;
    }

    static DWORD Connect(IUnknown* toolkit, IUnknown* sink, ComPtr<IConnectionPoint>& point)
    {
        ComPtr<IConnectionPointContainer> container;
        EXPECT_HRESULT_SUCCEEDED(toolkit->QueryInterface(IID_PPV_ARGS(&container)));
        EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__IToolkitEvents, &point));
        DWORD cookie = 0;
        EXPECT_HRESULT_SUCCEEDED(point->Advise(sink, &cookie));
        return cookie;
    }

    ComPtr<IUnknown> m_classObject;
    ComPtr<IClassFactory> m_factory;
};

TEST_F(ToolkitEventsTest, OneToolkitPerProcessAndNoAggregation)
{
    ComPtr<IToolkit> first = CreateToolkit();
    ComPtr<IToolkit> second = CreateToolkit();
    ComPtr<IUnknown> firstIdentity, secondIdentity;
    first.As(&firstIdentity);
    second.As(&secondIdentity);
    EXPECT_EQ(firstIdentity.Get(), secondIdentity.Get());
    EXPECT_EQ(CToolkit::Instance(), static_cast<CToolkit*>(first.Get()));

    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(m_factory->CreateInstance(firstIdentity.Get(), IID_PPV_ARGS(&aggregated)), CLASS_E_NOAGGREGATION);
}

TEST_F(ToolkitEventsTest, ANewToolkitAfterTheLastReleaseInsteadOfADeadOne)
{
    CreateToolkit();
    EXPECT_EQ(CToolkit::Instance(), nullptr);
    ComPtr<IToolkit> again = CreateToolkit();
    ASSERT_TRUE(again);
    short build = 0;
    EXPECT_EQ(again->get_VersionBuild(&build), S_OK);
    EXPECT_EQ(build, 130);
}

TEST_F(ToolkitEventsTest, SinkConnectedThroughOneClientHearsEventsOfAnother)
{
    ComPtr<IToolkit> first = CreateToolkit();
    ComPtr<IToolkit> second = CreateToolkit();
    ComPtr<RecordingSink> sink;
    ASSERT_HRESULT_SUCCEEDED(RecordingSink::Make(sink));
    ComPtr<IConnectionPoint> point;
    Connect(first.Get(), sink.Get(), point);

    EXPECT_EQ(static_cast<CToolkit*>(second.Get())->Fire_OnFlashStart(), S_OK);
    ASSERT_EQ(sink->events.size(), 1u);
    EXPECT_EQ(sink->events[0].id, 2);
    EXPECT_EQ(sink->events[0].flags, DISPATCH_METHOD);
    EXPECT_FALSE(sink->sawNonNullIid);
}

TEST_F(ToolkitEventsTest, EveryEventReachesADispatchOnlySinkWithItsArguments)
{
    ComPtr<IToolkit> toolkit = CreateToolkit();
    CToolkit& events = *static_cast<CToolkit*>(toolkit.Get());
    ComPtr<RecordingSink> sink;
    ASSERT_HRESULT_SUCCEEDED(RecordingSink::Make(sink));
    ComPtr<IConnectionPoint> point;
    Connect(toolkit.Get(), sink.Get(), point);

    UniqueVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = 77;
    unsigned short uqi[] = {0x1234, 0};
    BSTR response = nullptr;
    sink->onInvoke = [](DISPID id, DISPPARAMS* parameters) {
        if (id == 14) { // OnSMBIOSPrompt fills its by-reference response, last parameter first in rgvarg
            *V_BSTRREF(&parameters->rgvarg[0]) = ::SysAllocString(L"typed by the user");
        }
    };

    events.Fire_OnDiagnosticsError();
    events.Fire_OnFlashStart();
    events.Fire_OnFlashSuccess();
    events.Fire_OnInstallStart(1);
    events.Fire_OnInstallSuccess(2);
    events.Fire_OnINIInvalidValue(L"Sec", L"Key", *value.get());
    events.Fire_OnINIInvalidValue_wVal(L"Sec", L"Key", *value.get(), L"1,2");
    events.Fire_OnINIMissingValue(L"Sec", L"Key");
    events.Fire_OnINIMissingValue_wVal(L"Sec", L"Key", L"1,2");
    events.Fire_OnINIMissingSection(L"Sec");
    events.Fire_OnINITruncatedValue(L"Sec", L"Key", L"long", L"lo");
    events.Fire_OnRemoveStart(4);
    events.Fire_OnRemoveSuccess(4);
    events.Fire_OnSMBIOSPrompt(L"Enter a serial number.", &response);
    events.Fire_OnInvalidOS(3);
    events.Fire_OnInvalidBoard();
    events.Fire_OnInvalidBIOS();
    events.Fire_OnRemoveFail(2);
    events.Fire_OnBIOSIDMismatch(L"INI", L"SYS");
    events.Fire_OnPasswordExists(L"pw");
    events.Fire_OnInvalidChecksum(L"Sec", L"Checksum");
    events.Fire_OnComponentRemoved(4);
    events.Fire_OnSMBIOSRemoved(L"SerialNumber");
    events.Fire_OnINIMinorVer();
    events.Fire_OnNewerZENTVersion(L"1.0", L"1.2");
    events.Fire_OnPayloadError(L"bad");
    events.Fire_OnExtractStart(16);
    events.Fire_OnExtractFail(16);
    events.Fire_OnExtractSuccess(16);
    events.Fire_OnBadTokenIniValue(uqi, L"Token", 5);
    events.Fire_OnTokenNotLockable(uqi, L"Token");
    events.Fire_OnTokenNotHideable(uqi, L"Token");
    events.Fire_OnTokenLockHideSameTime(uqi, L"Token");
    events.Fire_OnUqiNotOnSystem(uqi);
    events.Fire_OnCantExtractToken(uqi, L"Token");
    events.Fire_OnBIOSModifiedFlagSetFailure();
    events.Fire_OnDuplicateTokenInIni(L"Heading");
    events.Fire_OnNoCoolingHardwareFound();
    events.Fire_OnTokenExtractInvalidValue(L"Heading");
    events.Fire_OnTokenIniVerTooEarly(L"2.7");
    events.Fire_OnDuplicateToken(L"Token");
    events.Fire_OnInvalidUQIToken(L"Token");

    ASSERT_EQ(sink->events.size(), 42u);
    for (size_t index = 0; index < sink->events.size(); ++index) {
        EXPECT_EQ(sink->events[index].id, static_cast<DISPID>(index + 1)) << "event " << index;
        EXPECT_EQ(sink->events[index].flags, DISPATCH_METHOD);
    }
    const auto& invalid = sink->events[5];
    EXPECT_EQ(invalid.types, (std::vector<VARTYPE>{VT_BSTR, VT_BSTR, VT_I4}));
    EXPECT_EQ(invalid.texts, (std::vector<std::wstring>{L"Sec", L"Key", L"77"}));
    EXPECT_EQ(sink->events[3].types, std::vector<VARTYPE>{VT_UI4});
    EXPECT_EQ(sink->events[10].texts, (std::vector<std::wstring>{L"Sec", L"Key", L"long", L"lo"}));
    EXPECT_EQ(sink->events[13].types, (std::vector<VARTYPE>{VT_BSTR, VT_BSTR | VT_BYREF}));
    ASSERT_NE(response, nullptr);
    EXPECT_STREQ(response, L"typed by the user");
    ::SysFreeString(response);
    const auto& badToken = sink->events[29];
    EXPECT_EQ(badToken.types, (std::vector<VARTYPE>{VT_UI2 | VT_BYREF, VT_BSTR, VT_I4}));
    EXPECT_EQ(badToken.texts, (std::vector<std::wstring>{L"4660", L"Token", L"5"}));
}

TEST_F(ToolkitEventsTest, NothingConnectedFiresNothingAndSucceeds)
{
    ComPtr<IToolkit> toolkit = CreateToolkit();
    EXPECT_EQ(static_cast<CToolkit*>(toolkit.Get())->Fire_OnInstallStart(1), S_OK);
}

TEST_F(ToolkitEventsTest, UnadviseInsideACallbackIsSafeAndCookiesStayStable)
{
    ComPtr<IToolkit> toolkit = CreateToolkit();
    CToolkit& events = *static_cast<CToolkit*>(toolkit.Get());
    ComPtr<RecordingSink> leaving, staying, third;
    ASSERT_HRESULT_SUCCEEDED(RecordingSink::Make(leaving));
    ASSERT_HRESULT_SUCCEEDED(RecordingSink::Make(staying));
    ASSERT_HRESULT_SUCCEEDED(RecordingSink::Make(third));
    ComPtr<IConnectionPoint> point;
    const DWORD leavingCookie = Connect(toolkit.Get(), leaving.Get(), point);
    const DWORD stayingCookie = Connect(toolkit.Get(), staying.Get(), point);
    EXPECT_EQ(leavingCookie, 1u);
    EXPECT_EQ(stayingCookie, 2u);

    IConnectionPoint* rawPoint = point.Get();
    leaving->onInvoke = [rawPoint, leavingCookie](DISPID, DISPPARAMS*) { rawPoint->Unadvise(leavingCookie); };
    RecordingSink* rawLeaving = leaving.Get();
    leaving.Reset(); // only the connection holds it now: Unadvise inside Invoke drops that
    events.Fire_OnFlashStart();
    events.Fire_OnFlashSuccess();
    EXPECT_EQ(staying->events.size(), 2u);
    (void)rawLeaving;

    EXPECT_EQ(point->Unadvise(leavingCookie), CONNECT_E_NOCONNECTION);
    DWORD reused = 0;
    ASSERT_HRESULT_SUCCEEDED(point->Advise(third.Get(), &reused));
    EXPECT_EQ(reused, leavingCookie);
    EXPECT_EQ(point->Unadvise(99), CONNECT_E_NOCONNECTION);
}

TEST_F(ToolkitEventsTest, ClassInfoNamesTheEventInterfaceAndWarningsAreTakenOnce)
{
    ComPtr<IToolkit> toolkit = CreateToolkit();
    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&classInfo));
    GUID source{};
    ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID__IToolkitEvents);
    ComPtr<ITypeInfo> coclass;
    ASSERT_HRESULT_SUCCEEDED(classInfo->GetClassInfo(&coclass));
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(coclass->GetTypeAttr(&attributes));
    EXPECT_EQ(attributes->guid, CLSID_Toolkit);
    coclass->ReleaseTypeAttr(attributes);

    CToolkit& object = *static_cast<CToolkit*>(toolkit.Get());
    ToolkitEvents::RaiseWarning();
    EXPECT_EQ(object.TakeWarnings(), static_cast<HRESULT>(0x02390011));
    EXPECT_EQ(object.TakeWarnings(), S_OK);
}

} // namespace
