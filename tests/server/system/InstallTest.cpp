// Installing configurations through the toolkit on boards the tests make: what reaches the
// firmware (whole variables compared before and after), the checks and events of each
// component, how often each variable is read and written, and that a board held in memory
// takes an install call for call as the library's board does. The BIOS-modified flag is
// written once per process, so each suite runs in a process of its own (CMakeLists.txt).
#include "InstallFixture.h"

#include "system/BIOSModifiedFlag.h"
#include "system/EFIVar.h"
#include "system/FirmwareAccess.h"
#include "toolkit/ToolkitInternal.h"

#include "LogWatch.h"
#include "StoreVariables.h"

#include <optional>

using namespace fwstore;

namespace {

std::wstring VariableKey(const std::wstring& name, const GUID& vendor)
{
    wchar_t guid[40] = {};
    ::StringFromGUID2(vendor, guid, 40);
    return name + L" " + guid;
}

// Every variable of the board: its attributes and bytes.
std::map<std::wstring, std::wstring> Contents(const StoreImage& image)
{
    std::map<std::wstring, std::wstring> contents;
    for (const StoredVariable& variable : image.variables) {
        std::wstring text = std::to_wstring(variable.attributes) + L":";
        for (uint8_t byte : variable.data) {
            text += L" " + std::to_wstring(byte);
        }
        contents[VariableKey(variable.name, variable.vendor)] = text;
    }
    return contents;
}

// Every call the board counted, per variable, and the reads of its setup database.
std::map<std::wstring, std::wstring> Calls(const StoreImage& image)
{
    std::map<std::wstring, std::wstring> calls = {{L"setup database", std::to_wstring(image.exportDbReads) + L" reads"}};
    for (const VariableCounters& counters : image.counters) {
        calls[VariableKey(counters.name, counters.vendor)] =
            std::to_wstring(counters.reads) + L" reads, " + std::to_wstring(counters.writes) + L" writes, " +
            std::to_wstring(counters.deletes) + L" deletes, " + std::to_wstring(counters.failedWrites) +
            L" failed, " + std::to_wstring(counters.bytesWritten) + L" bytes";
    }
    return calls;
}

TEST_F(Install, TokensReachSetupAndOemDefaultAsTheirQuestionsAllowAndEachVariableIsWrittenOnce)
{
    board.Create(InstallBoard());
    const Bytes setup = Data(VariableName::Setup, VendorGuid::Setup);
    const std::wstring file = IniFile("[SETTING_0203]\r\nValue=4660\r\n\r\n"       // 0x1234
                                      "[SETTING_0201]\r\nValue=5\r\n\r\n"          // only the alternate has 5
                                      "[SETTING_0202]\r\nValue=TRUE\r\n\r\n"
                                      "[SETTING_0204]\r\nValue1=3\r\nValue2=1\r\nValue3=2\r\n\r\n"
                                      "[SETTING_0999]\r\nValue=1\r\n\r\n");        // not on this board
    LogWatch log;
    EXPECT_EQ(InstallFile(file, CComponentMask::kTokens), ResultCode::S_WARNINGS) << "the unknown UQI";
    // Items are checked while the tree is walked, before the component's commit.
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"34 2457", L"4 16", L"5 16"}))
        << "OnUqiNotOnSystem for 0999 only";

    const std::map<size_t, uint8_t> expected = {{0x11, 5}, {0x12, 1}, {0x20, 3}, {0x21, 1}, {0x22, 2},
                                                {0x40, 0x34}, {0x41, 0x12}};
    EXPECT_EQ(Changes(setup, Data(VariableName::Setup, VendorGuid::Setup)), expected);
    EXPECT_EQ(Changes(setup, Data(VariableName::OemDefault, VendorGuid::Setup)), expected) << "mirrored";
    EXPECT_EQ(Data(VariableName::QrvBiosModVar, VendorGuid::QrvData), (Bytes{0x01}));
    for (const wchar_t* name : {VariableName::Setup, VariableName::OemDefault}) {
        EXPECT_EQ(Counters(name, VendorGuid::Setup).writes, 1u) << Narrow(name);
        EXPECT_LE(Counters(name, VendorGuid::Setup).reads, 4u) << "a size query and a read, twice";
    }

    // The same file again: the firmware holds these bytes already, so nothing is written.
    const uint64_t writes = WriteCalls();
    EXPECT_EQ(InstallFile(file, CComponentMask::kTokens), ResultCode::S_WARNINGS);
    EXPECT_EQ(WriteCalls(), writes);
    EXPECT_TRUE(log.Saw(L"already holds these bytes; not written"));
}

TEST_F(Install, ValuesTheQuestionRefusesAndTokensPastTheirVariableAreSkippedAndTheRestInstalled)
{
    board.Create(InstallBoard());
    // "Setup" ends inside the two bytes of "Timeout".
    ASSERT_TRUE(board.Update([](StoreImage& state) {
        FindVariable(state, VariableName::Setup, VendorGuid::Setup)->data.resize(0x41);
        return true;
    }));
    const Bytes setup = Data(VariableName::Setup, VendorGuid::Setup);
    const std::wstring file = IniFile("[SETTING_0203]\r\nValue=7\r\n\r\n"
                                      "[SETTING_0201]\r\nValue=9\r\n\r\n"
                                      "[SETTING_0202]\r\nValue=2\r\n\r\n"
                                      "[SETTING_0204]\r\nValue1=3\r\nValue2=4\r\nValue3=2\r\n\r\n");
    LogWatch log;
    EXPECT_EQ(InstallFile(file, CComponentMask::kTokens), ResultCode::S_WARNINGS);
    const std::vector<std::wstring> events = InstallEvents();
    ASSERT_EQ(events.size(), 6u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(events[i].substr(0, 3), L"30 ") << "OnBadTokenIniValue";
    }
    EXPECT_EQ(events[3].substr(events[3].rfind(L' ')), L" 1") << "the ordered list's second entry";
    EXPECT_EQ(events[4], L"4 16");
    EXPECT_TRUE(log.Saw(L"lies outside its variable")) << log.NewText();
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup), setup) << "nothing fits";
    EXPECT_EQ(Counters(VariableName::Setup, VendorGuid::Setup).writes, 0u);
}

TEST_F(Install, AFailingCommitEndsTheInstallAndLeavesLaterComponentsUntouched)
{
    board.Create(InstallBoard());
    const std::wstring file = IniFile("[ReferenceSystem]\r\nReferenceID=DBZ7710H.86A.0042.2013.0312.1045\r\n\r\n"
                                      "[SMBIOS.values]\r\nSystemProduct=KB77\r\n\r\n"
                                      "[SETTING_0202]\r\nValue=1\r\n\r\n");
    board.ArmFault(StoreOperation::SetVariable, EFI_STATUS_DEVICE_ERROR, L"1.5");
    const HRESULT hr = InstallFile(file, CComponentMask::kSMBIOS | CComponentMask::kTokens);
    EXPECT_EQ(hr, ResultCode::E_EFIVAR_UNKNOWN_RESULT);
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"4 2"})) << "no success, no later component";
    EXPECT_EQ(Counters(VariableName::Setup, VendorGuid::Setup).writes, 0u);
    EXPECT_EQ(Counters(VariableName::QrvBiosModVar, VendorGuid::QrvData).writes, 0u);
}

TEST_F(Install, SMBIOSStringsAreCutToTheirRowAndKeepTheBytesAfterTheirTerminator)
{
    board.Create(InstallBoard());
    const std::string tag(40, 'T');
    const std::wstring file =
        IniFile("[SMBIOS.values]\r\nSystemProduct=KB77\r\nChassisAssetTag=" + tag + "\r\n\r\n");
    EXPECT_EQ(InstallFile(file, CComponentMask::kSMBIOS), ResultCode::S_WARNINGS) << "the truncation";
    EXPECT_EQ(sink->events.size(), 3u);
    Bytes product = Text("KB77DZ-LONG-PRODUCT");
    std::copy_n(Text("KB77").begin(), 5, product.begin());
    EXPECT_EQ(Data(L"1.5", VendorGuid::Smbios), product) << "shorter: the bytes after its terminator stay";
    EXPECT_EQ(Data(VariableName::SmbiosChassisAssetTagWritten, VendorGuid::Smbios), Text(std::string(32, 'T')))
        << "made by the install, cut to 32 characters";
}

TEST_F(Install, TheBIOSImageNeedsTheSameBIOSIDExactlyAndAnEmptySelectionWritesNothing)
{
    StoreImage image = InstallBoard();
    image.variables.push_back({VariableName::QrvBiosModVar, VendorGuid::QrvData, 7, {0x03}});
    board.Create(image);
    // The configuration of this very board, read from it: its BIOS ID needs no checksum.
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kBIOS), S_OK);
    const Bytes setup = Data(VariableName::Setup, VendorGuid::Setup);
    ASSERT_TRUE(board.Update([](StoreImage& state) {
        FindVariable(state, VariableName::Setup, VendorGuid::Setup)->data.resize(128);
        return true;
    }));
    LogWatch log;
    EXPECT_EQ(toolkit->Install(CComponentMask::kBIOS), S_OK);
    EXPECT_TRUE(log.Has("Warning", "VariableSize mismatch EFIVarSize 128 != 256.")) << log.NewText();
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup), setup) << "the image written whole again";
    EXPECT_EQ(Counters(VariableName::QrvBiosModVar, VendorGuid::QrvData).writes, 0u) << "bit 0 was set already";
    sink->events.clear();

    const uint64_t writes = WriteCalls();
    EXPECT_EQ(toolkit->Install(0), S_OK);
    EXPECT_TRUE(sink->events.empty());
    EXPECT_EQ(WriteCalls(), writes);

    ASSERT_TRUE(board.Update([](StoreImage& state) {
        FindVariable(state, VariableName::FirmwareId, VendorGuid::FirmwareId)->data = Text("dbz7710h.86a.0042.2013.0312.1045", false);
        return true;
    }));
    EXPECT_EQ(toolkit->Install(CComponentMask::kBIOS), E_FAIL);
    EXPECT_EQ(EventCount(19), 1) << "OnBIOSIDMismatch";
    EXPECT_EQ(WriteCalls(), writes);
}

// A payload file the server refuses fails its component after the others are installed; a
// cooling bit for a configuration without cooling settings installs nothing for it and asks
// nothing of the board (this one has no hardware monitor).
TEST_F(Install, APayloadFailsAfterTheOtherComponentsAndACoolingBitWithoutSettingsWritesNothing)
{
    board.Create(InstallBoard());
    const std::wstring file = IniFile("[SETTING_0202]\r\nValue=1\r\n\r\n");
    UniqueBstr name = UniqueBstr::From(file.c_str());
    // A file of another kind: the payload component fails, the others are installed.
    const std::wstring notAPayload = board.Folder().File(L"fan-control.bin");
    ASSERT_TRUE(WriteFileBytes(notAPayload, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
    UniqueBstr payload = UniqueBstr::From(notAPayload.c_str());
    ASSERT_EQ(toolkit->LoadINIFile(name.get(), CComponentMask::kTokens), S_OK);
    EXPECT_EQ(toolkit->Install(CComponentMask::kPayload), ResultCode::E_NO_PAYLOAD) << "no payload added";
    ASSERT_EQ(toolkit->AddPayload(payload.get()), S_OK);
    sink->events.clear();
    LogWatch log;
    EXPECT_EQ(toolkit->Install(CComponentMask::kPayload | CComponentMask::kTokens), E_FAIL);
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"4 8", L"26 Payload file does not match known payload types.",
                                                          L"4 16", L"5 16"}));
    EXPECT_TRUE(log.Saw(L"No payload type found to handle this payload file"));
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup)[0x12], 1) << "the tokens are installed";

    ASSERT_TRUE(board.Update([](StoreImage& state) {
        FindVariable(state, VariableName::Setup, VendorGuid::Setup)->data[0x12] = 0;
        return true;
    }));
    EXPECT_EQ(toolkit->Install(CComponentMask::kCooling | CComponentMask::kTokens), S_OK);
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"4 4", L"5 4", L"4 16", L"5 16"}));
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup)[0x12], 1);
    EXPECT_TRUE(log.Saw(L"No cooling setting to install"));
    EXPECT_EQ(Counters(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).writes, 0u);

    // A board that runs its own fan-control configuration takes nothing.
    ASSERT_TRUE(board.Update([](StoreImage& state) {
        state.variables.push_back({VariableName::FscConfigVar, VendorGuid::FscConfigVar, 7, {1}});
        return true;
    }));
    const uint64_t writes = WriteCalls();
    EXPECT_EQ(toolkit->Install(CComponentMask::kPayload | CComponentMask::kTokens), ResultCode::S_PAYLOAD_ALREADY_PRESENT);
    EXPECT_TRUE(InstallEvents().empty());
    EXPECT_EQ(WriteCalls(), writes);
}

// A configuration read while the board had no password must not clear one set since.
TEST_F(Install, APasswordSetSinceTheConfigurationWasReadIsNeitherClearedNorReplaced)
{
    StoreImage demo;
    ASSERT_TRUE(LoadBoardProfile(std::wstring(BOARDS_FOLDER) + L"/demo-board.ini", demo).Ok());
    board.Create(demo);
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kBIOS), S_OK);
    // Images that hold what the board holds change nothing, in the plan as in the install.
    ComPtr<IToolkitInternal> internal;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&internal));
    UniqueBstr plan;
    ASSERT_HRESULT_SUCCEEDED(internal->PlanInstall(CComponentMask::kBIOS, plan.put()));
    EXPECT_EQ(std::wstring(plan.get()).find(L"\"changes\":true"), std::wstring::npos) << Narrow(plan.get());
    EXPECT_NE(std::wstring(plan.get()).find(L"\"key\":\"Setup\""), std::wstring::npos) << Narrow(plan.get());
    Bytes password = Data(VariableName::SystemPassword, VendorGuid::Setup);
    ASSERT_EQ(password.size(), 32u);
    std::fill_n(password.begin(), 4, uint8_t{0x5A});
    ASSERT_TRUE(board.Update([&password](StoreImage& state) {
        FindVariable(state, VariableName::SystemPassword, VendorGuid::Setup)->data = password;
        return true;
    }));
    sink->events.clear();
    EXPECT_EQ(toolkit->Install(CComponentMask::kBIOS), ResultCode::S_WARNINGS);
    EXPECT_EQ(EventCount(20), 1) << "OnPasswordExists";
    EXPECT_EQ(Data(VariableName::SystemPassword, VendorGuid::Setup), password);
    EXPECT_EQ(Counters(VariableName::SystemPassword, VendorGuid::Setup).writes, 0u);
}

// The plan runs the install's own code up to the commit: it names what would change, old
// and new, and the install then changes exactly that.
TEST_F(Install, APlanNamesTheEditsOldAndNewWritesNothingAndTheInstallDoesWhatItSaid)
{
    board.Create(InstallBoard());
    constexpr ULONG kMask = CComponentMask::kSMBIOS | CComponentMask::kTokens;
    ASSERT_EQ(toolkit->LoadConfigFromSystem(kMask), S_OK);
    ComPtr<ITokenConfigData> timeout;
    unsigned short uqi[] = {0x0203, 0};
    ASSERT_EQ(toolkit->GetTokenSetting(uqi, &timeout), S_OK);
    VARIANT value;
    V_VT(&value) = VT_I4;
    V_I4(&value) = 0x1234;
    ASSERT_EQ(timeout->put_Value(value), S_OK);
    ComPtr<IConfigGroup> smbios;
    ComPtr<IConfigDataCollection> rows;
    ComPtr<IConfigData> product;
    ASSERT_EQ(toolkit->GetConfigGroup(EConfigGroup_SMBIOS, &smbios), S_OK);
    ASSERT_HRESULT_SUCCEEDED(smbios->get_DataCollection(&rows));
    ASSERT_HRESULT_SUCCEEDED(rows->get_Item(2, &product));
    UniqueVariant text;
    V_VT(text.put()) = VT_BSTR;
    V_BSTR(text.get()) = ::SysAllocString(L"KB77-NEW");
    ASSERT_EQ(product->put_Value(*text.get()), S_OK);
    sink->events.clear();

    ComPtr<IToolkitInternal> internal;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&internal));
    UniqueBstr plan;
    const uint64_t writes = WriteCalls();
    ASSERT_EQ(internal->PlanInstall(kMask, plan.put()), ResultCode::S_WARNINGS) << "as the install will answer";
    const std::wstring json(plan.get());
    EXPECT_EQ(WriteCalls(), writes) << "a plan writes nothing";
    EXPECT_TRUE(sink->events.empty()) << "its events are in the plan, not sent to the client";
    size_t changed = 0;
    for (size_t at = json.find(L"\"changes\":true"); at != std::wstring::npos; at = json.find(L"\"changes\":true", at + 1)) {
        ++changed;
    }
    EXPECT_EQ(changed, 2u) << Narrow(json);
    EXPECT_NE(json.find(L"\"key\":\"0203\",\"name\":\"Timeout\",\"before\":\"5\",\"after\":\"4660\""), std::wstring::npos)
        << Narrow(json);
    EXPECT_NE(json.find(L"\"before\":\"KB77DZ-LONG-PRODUCT\",\"after\":\"KB77-NEW\""), std::wstring::npos) << Narrow(json);
    EXPECT_NE(json.find(L"{\"offset\":64,\"before\":\"0500\",\"after\":\"3412\"}"), std::wstring::npos) << Narrow(json);
    EXPECT_NE(json.find(L"{\"name\":\"OnInstallStart\",\"arguments\":[\"16\"]}"), std::wstring::npos) << Narrow(json);

    // "Serial port (legacy)" holds 0, none of its options: it is installed on its own
    // question or not at all, never on "Serial port", which shares its UQI and takes 0.
    EXPECT_NE(json.find(L"\"name\":\"Serial port (legacy)\",\"before\":\"\",\"after\":\"\",\"changes\":false,"
                        L"\"skipped\":\"value not allowed\""),
              std::wstring::npos) << Narrow(json);

    const Bytes setup = Data(VariableName::Setup, VendorGuid::Setup);
    EXPECT_EQ(toolkit->Install(kMask), ResultCode::S_WARNINGS) << "the legacy question's value";
    EXPECT_EQ(Changes(setup, Data(VariableName::Setup, VendorGuid::Setup)),
              (std::map<size_t, uint8_t>{{0x40, 0x34}, {0x41, 0x12}}));
}

TEST_F(Install, TheFirmwareLibraryIsLoadedOnceForTheToolkitWhateverItsTokensAreAsked)
{
    board.Create(InstallBoard());
    const int loads = CEFIVar::LoadCount();
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kTokens), S_OK);
    ComPtr<IConfigGroup> tokens;
    ASSERT_EQ(toolkit->GetConfigGroup(EConfigGroup_Tokens, &tokens), S_OK);
    ComPtr<IConfigDataCollection> items;
    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(tokens->get_DataCollection(&items));
    ASSERT_HRESULT_SUCCEEDED(items->get_Count(&count));
    ASSERT_EQ(count, 5);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IConfigData> item;
        ComPtr<ITokenConfigData> token;
        VARIANT_BOOL applicable = VARIANT_FALSE;
        ASSERT_HRESULT_SUCCEEDED(items->get_Item(i, &item));
        ASSERT_HRESULT_SUCCEEDED(item.As(&token));
        EXPECT_HRESULT_SUCCEEDED(token->get_IsApplicable(&applicable));
    }
    EXPECT_EQ(CEFIVar::LoadCount() - loads, 1);
    EXPECT_TRUE(CEFIVar::IsDLLLoaded()) << "held by the toolkit";
}

// The same two installs, one of them failing on an armed fault, through the firmware-variable
// library on the board's store file and through a copy of the board held in memory.
TEST_F(Install, AnInMemoryBoardTakesAnInstallAsTheLibraryDoesCallForCall)
{
    {
        // The BIOS-modified flag is set once per process and always through the library: set
        // on a board of its own now, neither install below touches it.
        BoardFixture flagBoard;
        flagBoard.Create(InstallBoard());
        ASSERT_EQ(CBIOSModifiedFlag::SetFlag(), S_OK);
    }
    board.Create(InstallBoard());
    const StoreImage start = board.Load();
    CStoreVariables memory(start);
    const std::wstring installed = IniFile("[SMBIOS.values]\r\nSystemProduct=KB77\r\n\r\n"
                                           "[SETTING_0203]\r\nValue=4660\r\n\r\n"
                                           "[SETTING_0201]\r\nValue=5\r\n\r\n"
                                           "[SETTING_0204]\r\nValue1=3\r\nValue2=1\r\nValue3=2\r\n\r\n"
                                           "[SETTING_0999]\r\nValue=1\r\n\r\n");
    const std::wstring failing = IniFile("[SETTING_0202]\r\nValue=TRUE\r\n\r\n");
    const ULONG mask = CComponentMask::kSMBIOS | CComponentMask::kTokens;

    std::vector<std::pair<HRESULT, std::vector<std::wstring>>> outcomes[2];
    for (const bool inMemory : {false, true}) {
        std::optional<CCurrentFirmwareVariables> current;
        if (inMemory) {
            current.emplace(memory);
        }
        for (const std::wstring& file : {installed, failing}) {
            // Each install reads the setup database of the board it runs on.
            ProcessState::ForgetFirmwareReadings();
            if (file == failing && inMemory) {
                memory.Image().faults.push_back({StoreOperation::SetVariable, EFI_STATUS_DEVICE_ERROR, 0, 0, 1, {},
                                                 VariableName::OemDefault});
            } else if (file == failing) {
                board.ArmFault(StoreOperation::SetVariable, EFI_STATUS_DEVICE_ERROR, VariableName::OemDefault);
            }
            const HRESULT hr = InstallFile(file, mask);
            outcomes[inMemory].emplace_back(hr, InstallEvents());
        }
    }
    const StoreImage library = board.Load();
    ASSERT_EQ(outcomes[0].size(), 2u);
    EXPECT_EQ(outcomes[0][0].first, ResultCode::S_WARNINGS) << "the unknown UQI";
    EXPECT_EQ(outcomes[0][1].first, ResultCode::E_EFIVAR_UNKNOWN_RESULT);
    const VariableCounters* oemDefault = FindCounters(library, VariableName::OemDefault, VendorGuid::Setup);
    ASSERT_NE(oemDefault, nullptr);
    EXPECT_EQ(oemDefault->failedWrites, 1u) << "the armed fault";
    EXPECT_NE(Contents(library), Contents(start));

    EXPECT_EQ(outcomes[1], outcomes[0]) << "results and events";
    EXPECT_EQ(Contents(memory.Image()), Contents(library));
    EXPECT_EQ(Calls(memory.Image()), Calls(library));
    EXPECT_TRUE(memory.Image().faults.empty()) << "the fault was used up";
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The log opens at the first report, in the current folder (the test's logged folder);
    // creating the toolkit later moves the current folder to the program's.
    ReportDiagnostic(LOG_SITE(L"InstallTest"), LOG_INFORMATION, L"Test program started");
    return RUN_ALL_TESTS();
}
