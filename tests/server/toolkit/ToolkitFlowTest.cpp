// The toolkit's calls in sequence on a board of the test's own: which call reports a warning
// that an earlier one met, what Reset discards and keeps, the BIOS-modified flag read by
// in-process clients, and the methods that are not offered.
#include "ToolkitOnBoard.h"

#include "frame/EventTarget.h"
#include "system/ConfigurationPoint.h"
#include "toolkit/ToolkitInternal.h"

#include <algorithm>
#include <set>

using namespace fwstore;

namespace {

class ToolkitFlow : public ToolkitOnBoard {
protected:
    void SetUp() override
    {
        ToolkitOnBoard::SetUp();
        board.Create(DesktopBoard());
    }

    // From now on, the start of each component read from the board warns, as a builder that
    // met a doubtful value would: no part of the read warns of itself today.
    void WarnWhileReading()
    {
        sink->onInvoke = [](DISPID id, DISPPARAMS*) {
            if (id == ToolkitEventId::OnExtractStart) {
                ToolkitEvents::RaiseWarning();
            }
        };
    }
    HRESULT Save(const wchar_t* name)
    {
        return toolkit->WriteINIFile(UniqueBstr::From(folder.File(name).c_str()).get(), CComponentMask::kSMBIOS);
    }
    HRESULT LoadSample()
    {
        const std::wstring sample = std::wstring(TOOLKIT_SOURCE_DIR) + L"\\docs\\samples\\kb77dz-settings.ini";
        return toolkit->LoadINIFile(UniqueBstr::From(sample.c_str()).get(), CComponentMask::kSMBIOS);
    }

    TemporaryFolder folder;
};

TEST_F(ToolkitFlow, AWarningOfACallThatReportsNoneIsReportedByTheNextThatDoes)
{
    WarnWhileReading();
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kSMBIOS), S_OK);
    EXPECT_EQ(Save(L"first.ini"), ResultCode::S_WARNINGS);
    EXPECT_EQ(Save(L"second.ini"), S_OK) << "taken once";

    ASSERT_EQ(toolkit->Reset(), S_OK);
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kSMBIOS), S_OK);
    EXPECT_EQ(toolkit->Install(CComponentMask::kSMBIOS), ResultCode::S_WARNINGS);
    EXPECT_EQ(toolkit->Install(CComponentMask::kSMBIOS), S_OK) << "the strings as they are: no warning of its own";

    ASSERT_EQ(toolkit->Reset(), S_OK);
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kSMBIOS), S_OK);
    EXPECT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), ResultCode::S_WARNINGS) << "every string was there";
    EXPECT_EQ(Save(L"third.ini"), S_OK);

    // A call that fails keeps what it warned of for the next call that succeeds: here a
    // removal that finds the first string gone (a warning) and cannot delete the third.
    sink->onInvoke = nullptr;
    ASSERT_EQ(toolkit->Reset(), S_OK);
    StoreImage image = DesktopBoard();
    RemoveVariable(image, kSMBIOSRows[0].readVariable, VendorGuid::Smbios);
    board.Create(image);
    board.ArmFault(StoreOperation::SetVariable, 1, VariableName::SmbiosSystemVersion);
    EXPECT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), E_FAIL);
    EXPECT_EQ(LoadSample(), ResultCode::S_WARNINGS);
    EXPECT_EQ(EventCount(ToolkitEventId::OnINIMissingValue) + EventCount(ToolkitEventId::OnINIInvalidValue), 0)
        << "the file itself is clean";
}

// SetCPTokInfo's choice of components only lasts for the process: a suite of its own.
using ToolkitReset = ToolkitFlow;

TEST_F(ToolkitReset, ResetDiscardsTheConfigurationAndKeepsTheCapabilities)
{
    USHORT values[] = {4};
    ASSERT_EQ(toolkit->SetCPTokInfo(0x0203, values, 1), S_OK);
    ASSERT_EQ(LoadSample(), S_OK);
    ASSERT_EQ(toolkit->AddPayload(UniqueBstr::From(L"first.fsc").get()), S_OK);
    ComPtr<IBiosCapsule> capsule;
    ASSERT_EQ(toolkit->get_BiosCapsule(&capsule), S_OK);
    ComPtr<ISystemCapabilities> capabilities;
    ASSERT_EQ(toolkit->get_SystemCapabilities(&capabilities), S_OK);
    ToolkitEvents::RaiseWarning();
    EXPECT_EQ(toolkit->AddPayload(nullptr), E_POINTER) << "a refusal reads its text from the message library";
    ASSERT_NE(::GetModuleHandleW(L"PellamWRes.dll"), nullptr);
    TemporaryFolder elsewhere;
    ASSERT_TRUE(::SetCurrentDirectoryW(elsewhere.Path().c_str()));

    ASSERT_EQ(toolkit->Reset(), S_OK);
    EXPECT_EQ(::GetModuleHandleW(L"PellamWRes.dll"), nullptr) << "the message library is released";
    wchar_t current[MAX_PATH] = {};
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, current), 0u);
    EXPECT_EQ(std::wstring(current) + L"\\", ProgramFolder() + (ProgramFolder().back() == L'\\' ? L"" : L"\\"))
        << "the host program's folder is current again";
    EXPECT_FALSE(ConfigurationPoint::Token().has_value());
    ComPtr<IConfigGroup> group;
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_Root, &group), ResultCode::E_NO_CONFIGURATION);
    ASSERT_EQ(toolkit->CreateEmptyConfiguration(), S_OK);
    EXPECT_EQ(toolkit->AddPayload(UniqueBstr::From(L"second.fsc").get()), S_OK) << "no payload name to replace";
    EXPECT_EQ(Save(L"empty.ini"), S_OK) << "the warning went with the configuration";

    ComPtr<IBiosCapsule> renewed;
    ASSERT_EQ(toolkit->get_BiosCapsule(&renewed), S_OK);
    EXPECT_NE(renewed.Get(), capsule.Get());
    ComPtr<ISystemCapabilities> kept;
    ASSERT_EQ(toolkit->get_SystemCapabilities(&kept), S_OK);
    EXPECT_EQ(kept.Get(), capabilities.Get());
}

TEST_F(ToolkitFlow, TheBIOSModifiedFlagIsReadWithoutWritingAnything)
{
    ComPtr<IToolkitInternal> internal;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&internal));
    const auto modified = [&] {
        VARIANT_BOOL set = 7;
        EXPECT_EQ(internal->IsBIOSModified(&set), S_OK);
        EXPECT_TRUE(set == VARIANT_TRUE || set == VARIANT_FALSE) << set;
        return set == VARIANT_TRUE;
    };
    EXPECT_FALSE(modified()) << "no flag variable";
    EXPECT_TRUE(Data(VariableName::QrvBiosModVar, VendorGuid::QrvData).empty()) << "none was made";
    for (const auto& [flags, set] : {std::pair<uint8_t, bool>{0x02, false}, {0x03, true}, {0x01, true}}) {
        StoreImage image = DesktopBoard();
        image.variables.push_back({VariableName::QrvBiosModVar, VendorGuid::QrvData, 7, {flags}});
        board.Create(image);
        EXPECT_EQ(modified(), set) << int(flags);
        EXPECT_EQ(Data(VariableName::QrvBiosModVar, VendorGuid::QrvData), std::vector<uint8_t>{flags});
        EXPECT_EQ(WriteCalls(), 0u);
    }

    EXPECT_EQ(internal->IsBIOSModified(nullptr), E_POINTER);
    board.ArmFault(StoreOperation::GetVariable, 5, VariableName::QrvBiosModVar);
    VARIANT_BOOL set = VARIANT_TRUE;
    EXPECT_EQ(internal->IsBIOSModified(&set), E_FAIL);
    EXPECT_EQ(set, VARIANT_FALSE);
    GUID guid{};
    EXPECT_EQ(TakeErrorDescription(&guid), L"An error occurred while retrieving data from the system.");
    EXPECT_EQ(guid, IID_IToolkit);
}

// Every method of IToolkit, called by name with plain arguments: only the three that this
// version does not offer answer E_NOTIMPL.
TEST_F(ToolkitFlow, OnlyRebootReportAndVerifyAreNotOffered)
{
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    ComPtr<ITypeInfo> type;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &type));
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(type->GetTypeAttr(&attributes));
    const WORD functions = attributes->cFuncs;
    type->ReleaseTypeAttr(attributes);

    std::vector<std::wstring> notOffered;
    int called = 0;
    for (WORD index = 0; index < functions; ++index) {
        FUNCDESC* function = nullptr;
        ASSERT_HRESULT_SUCCEEDED(type->GetFuncDesc(index, &function));
        UniqueBstr name;
        UINT names = 0;
        type->GetNames(function->memid, name.put(), 1, &names);
        const std::wstring method = name.c_str();
        // Skipped: what IDispatch brings, the property writes, and the two calls whose effect
        // lasts: SetCPTokInfo's choice holds for the rest of the process.
        static const std::set<std::wstring> skipped = {L"QueryInterface", L"AddRef",        L"Release",
                                                       L"GetTypeInfoCount", L"GetTypeInfo", L"GetIDsOfNames",
                                                       L"Invoke",          L"Reset",         L"SetCPTokInfo"};
        const bool put = function->invkind == INVOKE_PROPERTYPUT || function->invkind == INVOKE_PROPERTYPUTREF;
        if (!put && !skipped.contains(method)) {
            // One argument per [in] parameter: a number, an empty string, or a UQI by reference.
            unsigned short uqi[] = {0x0203, 0};
            std::vector<VARIANT> arguments;
            for (SHORT parameter = 0; parameter < function->cParams; ++parameter) {
                const ELEMDESC& element = function->lprgelemdescParam[parameter];
                if (element.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) {
                    continue;
                }
                VARIANT argument;
                ::VariantInit(&argument);
                if (element.tdesc.vt == VT_BSTR) {
                    V_VT(&argument) = VT_BSTR;
                    V_BSTR(&argument) = ::SysAllocString(L"");
                } else if (element.tdesc.vt == VT_PTR) {
                    V_VT(&argument) = VT_UI2 | VT_BYREF;
                    V_UI2REF(&argument) = uqi;
                } else {
                    V_VT(&argument) = VT_I4;
                    V_I4(&argument) = element.tdesc.vt == VT_USERDEFINED ? EConfigGroup_Root : 0;
                }
                arguments.push_back(argument);
            }
            const WORD kind = function->invkind == INVOKE_FUNC ? DISPATCH_METHOD : DISPATCH_PROPERTYGET;
            UniqueVariant result;
            EXCEPINFO exception{};
            const HRESULT hr = InvokeByName(dispatch.Get(), name.c_str(), kind, arguments, result.put(), &exception);
            if (hr == E_NOTIMPL || (hr == DISP_E_EXCEPTION && exception.scode == E_NOTIMPL)) {
                notOffered.push_back(name.c_str());
            }
            for (VARIANT& argument : arguments) {
                ::VariantClear(&argument);
            }
            ::SysFreeString(exception.bstrDescription);
            ::SysFreeString(exception.bstrSource);
            ::SysFreeString(exception.bstrHelpFile);
            ++called;
        }
        type->ReleaseFuncDesc(function);
    }
    EXPECT_EQ(called, 20) << "the methods and property reads of IToolkit but two";
    std::sort(notOffered.begin(), notOffered.end());
    EXPECT_EQ(notOffered, (std::vector<std::wstring>{L"Reboot", L"Report", L"Verify"}));
}

} // namespace
