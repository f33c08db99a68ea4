// Installing configurations through the toolkit on boards the tests make: what reaches the
// firmware (whole variables compared before and after), the checks and events of each
// component, and how often each variable is read and written. The BIOS-modified flag is
// written once per process, so each suite runs in a process of its own (CMakeLists.txt).
#include "ToolkitOnBoard.h"

#include "config/ComponentMask.h"
#include "system/EFIVar.h"
#include "system/ExtractHiiTokens.h"

#include "BoardProfile.h"
#include "LogWatch.h"

#include <filesystem>
#include <fstream>

using namespace fwstore;

namespace {

using Bytes = std::vector<uint8_t>;

// Tokens of every kind; "Serial port (legacy)" shares the UQI of "Serial port" and holds the
// option the first lacks.
const char kProfile[] = R"PROFILE([Board]
Name = install test board
Capacity = 65536

[Variable FirmwareId]
Guid = {EFC071AE-41B8-4018-AFA7-314B185E578B}
Attributes = 7
Text = DBZ7710H.86A.0042.2013.0312.1045

[Variable 1.5]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = KB77DZ-LONG-PRODUCT

[Variable 3.8]
Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}
String = TAG

[Store Setup]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Id = 1
Size = 256

[Variable OemDefault]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Attributes = 7
Copy = Setup

[FormSet Main]
Guid = {7D1C5E1A-3B2F-4C8D-9E0A-1B2C3D4E5F60}
Stores = Setup
Form = id=1 title="Main"
OneOf = offset=0x10 uqi=0x0201 prompt="Serial port" help="" default=1
Option = value=0 text="Disabled"
Option = value=1 text="Enabled"
OneOf = offset=0x11 uqi=0x0201 prompt="Serial port (legacy)" help=""
Option = value=5 text="Legacy"
CheckBox = offset=0x12 uqi=0x0202 prompt="Fast boot" help=""
Numeric = offset=0x40 width=2 uqi=0x0203 prompt="Timeout" help="" min=0 max=65535 step=1 default=5
OrderedList = offset=0x20 entries=3 uqi=0x0204 prompt="Boot order" help="" default=1,2,3
Option = value=1 text="Disk"
Option = value=2 text="Network"
Option = value=3 text="USB"
)PROFILE";

StoreImage InstallBoard()
{
    StoreImage image;
    const StoreResult result = ParseBoardProfile(kProfile, L"install.ini", {}, image);
    EXPECT_TRUE(result.Ok()) << Narrow(result.message);
    return image;
}

// Bytes that differ between two images of a variable, as offset → new byte.
std::map<size_t, uint8_t> Changes(const Bytes& before, const Bytes& after)
{
    std::map<size_t, uint8_t> changes;
    for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        const int old = i < before.size() ? before[i] : -1;
        if (i >= after.size() || old != after[i]) {
            changes[i] = i < after.size() ? after[i] : 0;
        }
    }
    return changes;
}

class Install : public ToolkitOnBoard {
protected:
    void SetUp() override
    {
        ToolkitOnBoard::SetUp();
        // Each case makes a board of its own: the setup database is read again.
        CExtractHiiTokens::ResetTokenState();
    }

    // An INI file of the test's own with `sections` after the version.
    std::wstring IniFile(const std::string& sections)
    {
        const std::wstring path = board.Folder().Path() + L"\\install-" + std::to_wstring(++m_files) + L".ini";
        std::ofstream(std::filesystem::path(path), std::ios::binary) << "[System]\r\nINIversion=2.9\r\n\r\n" << sections;
        return path;
    }
    HRESULT InstallFile(const std::wstring& path, ULONG mask)
    {
        EXPECT_HRESULT_SUCCEEDED(toolkit->Reset());
        UniqueBstr name = UniqueBstr::From(path.c_str());
        const HRESULT loaded = toolkit->LoadINIFile(name.get(), mask);
        EXPECT_HRESULT_SUCCEEDED(loaded);
        sink->events.clear();
        return toolkit->Install(mask);
    }
    std::vector<std::wstring> InstallEvents()
    {
        std::vector<std::wstring> lines;
        for (const RecordedEvent& event : sink->events) {
            std::wstring line = std::to_wstring(event.id);
            for (const std::wstring& text : event.texts) {
                line += L" " + text;
            }
            lines.push_back(line);
        }
        sink->events.clear();
        return lines;
    }

    int m_files = 0;
};

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
    board.Create(InstallBoard());
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

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The log opens at the first report, in the current folder (the test's logged folder);
    // creating the toolkit later moves the current folder to the program's.
    ReportDiagnostic(LOG_SITE(L"InstallTest"), LOG_INFORMATION, L"Test program started");
    return RUN_ALL_TESTS();
}
