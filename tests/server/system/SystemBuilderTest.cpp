// Reading the running system into a configuration, through the toolkit as a client calls
// it, on the emulated demo board and on boards changed from it; what was read from the
// firmware is counted by the emulated store.
#include "config/BIOSImage.h"
#include "config/TokensSetting.h"
#include "frame/EventTarget.h"
#include "frame/ResultCodes.h"
#include "system/ProcessState.h"
#include "system/VariableCatalogue.h"

#include "BoardProfile.h"
#include "IniTreeSupport.h"
#include "ToolkitOnBoard.h"

#include <oleauto.h>

#include <cstring>
#include <map>

using namespace fwstore;

namespace {

constexpr ULONG kBiosSmbiosTokens = 0x13;

class SystemBuilderTest : public ToolkitOnBoard {
protected:
    void SetUp() override
    {
        ToolkitOnBoard::SetUp();
        ProcessState::ForgetFirmwareReadings();
        StoreImage demo;
        ASSERT_TRUE(LoadBoardProfile(std::wstring(BOARDS_FOLDER) + L"/demo-board.ini", demo).Ok());
        board.Create(demo);
    }
    void TearDown() override
    {
        ProcessState::ForgetFirmwareReadings();
        ToolkitOnBoard::TearDown();
    }

    // Changes the store of the board before the toolkit reads it.
    void SetVariable(const wchar_t* name, const GUID& guid, std::vector<uint8_t> data)
    {
        ASSERT_TRUE(board.Update([&](StoreImage& image) {
            RemoveVariable(image, name, guid);
            image.variables.push_back({name, guid, 7, std::move(data)});
            return true;
        }));
    }
    std::vector<ComPtr<IConfigData>> ItemsOf(EConfigGroupID id)
    {
        ComPtr<IConfigGroup> group;
        EXPECT_EQ(toolkit->GetConfigGroup(id, &group), S_OK) << id;
        return group ? Items(group.Get()) : std::vector<ComPtr<IConfigData>>{};
    }
    std::map<std::wstring, ComPtr<IConfigData>> TokensByName()
    {
        std::map<std::wstring, ComPtr<IConfigData>> tokens;
        for (const ComPtr<IConfigData>& item : ItemsOf(EConfigGroup_Tokens)) {
            tokens[NameOf(item.Get())] = item;
        }
        return tokens;
    }
    static CTokensSetting& Token(const ComPtr<IConfigData>& item) { return *static_cast<CTokensSetting*>(item.Get()); }
    static CBIOSImage& Image(const ComPtr<IConfigData>& item) { return *static_cast<CBIOSImage*>(item.Get()); }
};

TEST_F(SystemBuilderTest, TheDemoBoardIsReadWithTheValuesItHoldsEachVariableOnce)
{
    ASSERT_EQ(toolkit->LoadConfigFromSystem(kBiosSmbiosTokens), S_OK);

    const auto info = ItemsOf(EConfigGroup_BIOSInfo);
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(ValueText(info[0].Get()), L"DBZ7710H.86A.0042.2013.0312.1045");
    UniqueVariant date;
    ASSERT_HRESULT_SUCCEEDED(info[1]->get_Value(date.put()));
    SYSTEMTIME released{};
    ASSERT_EQ(V_VT(date.get()), VT_DATE);
    ASSERT_TRUE(::VariantTimeToSystemTime(V_DATE(date.get()), &released));
    EXPECT_EQ(std::vector<int>({released.wYear, released.wMonth, released.wDay, released.wHour, released.wMinute}),
              std::vector<int>({2013, 3, 12, 10, 45}));

    const auto smbios = ItemsOf(EConfigGroup_SMBIOS);
    ASSERT_EQ(smbios.size(), 8u);
    EXPECT_EQ(ValueText(smbios[0].Get()), L"Kestrel Board Works");
    EXPECT_EQ(ValueText(smbios[6].Get()), L"CS0042118700");
    EXPECT_EQ(ValueText(smbios[7].Get()), L"") << "erased bytes are no asset tag";

    const auto images = ItemsOf(EConfigGroup_BIOSImage);
    ASSERT_EQ(images.size(), 2u);
    BIOSImageRecord setup{4096}, passwords{4096};
    ASSERT_EQ(Image(images[0]).GetBIOSImage(&setup), S_OK);
    EXPECT_EQ(Image(images[0]).GetVariableName(), L"Setup");
    EXPECT_EQ(setup.size, 512u);
    EXPECT_EQ(setup.mask, std::vector<uint8_t>(512, 0xFF)) << "the passwords are not in Setup";
    EXPECT_EQ(Image(images[0]).GetWriteFlag(), 1u);
    ASSERT_EQ(Image(images[1]).GetBIOSImage(&passwords), S_OK);
    EXPECT_EQ(Image(images[1]).GetVariableName(), L"SystemPassword");
    EXPECT_EQ(passwords.mask, std::vector<uint8_t>(32, 0xFF)) << "two passwords of 16 bytes";
    EXPECT_EQ(Image(images[1]).GetWriteFlag(), 0u);
    std::wstring status;
    Image(images[1]).GetPasswordError(&status);
    EXPECT_EQ(status, L"Cannot overwrite existing passwords.");

    auto tokens = TokensByName();
    // 175 questions: two passwords, "Wake on LAN" on two forms, two not to be shown.
    EXPECT_EQ(ItemsOf(EConfigGroup_Tokens).size(), 170u);
    EXPECT_EQ(tokens.count(L"Memory voltage") + tokens.count(L"Package power limit"), 0u);
    CTokensSetting& language = Token(tokens.at(L"System language"));
    EXPECT_EQ(language.Type(), EConfigType_Choice);
    EXPECT_EQ(ValueText(tokens.at(L"System language").Get()), L"0");
    UniqueBstr text;
    ASSERT_EQ(language.GetStringForValue(2, text.put()), S_OK);
    EXPECT_STREQ(text.c_str(), L"Deutsch");
    CTokensSetting& seconds = Token(tokens.at(L"Start-up message time"));
    LONG minimum = -1, maximum = -1;
    seconds.get_Minimum(&minimum);
    seconds.get_Maximum(&maximum);
    EXPECT_EQ(std::make_pair(minimum, maximum), std::make_pair(0L, 10L));
    EXPECT_EQ(ValueText(tokens.at(L"Start-up message time").Get()), L"2");
    EXPECT_EQ(Token(tokens.at(L"Quiet boot")).Type(), EConfigType_Bool);
    EXPECT_EQ(ValueText(tokens.at(L"UEFI boot order").Get()), L"<list> 1 2 3 4 5 0 0 0");
    VARIANT_BOOL locked = VARIANT_FALSE, lockable = VARIANT_FALSE;
    Token(tokens.at(L"Trusted platform module")).get_Locked(&locked);
    Token(tokens.at(L"Trusted platform module")).get_IsLockable(&lockable);
    EXPECT_EQ(std::make_pair(locked, lockable), std::make_pair(VARIANT_TRUE, VARIANT_TRUE));
    Token(tokens.at(L"Quiet boot")).get_IsLockable(&lockable);
    EXPECT_EQ(lockable, VARIANT_FALSE);

    // One size query and one read of every variable, however many items it gave.
    for (const VariableCounters& counter : board.Load().counters) {
        EXPECT_LE(counter.reads, 2u) << std::string(counter.name.begin(), counter.name.end());
        EXPECT_EQ(counter.writes + counter.deletes, 0u) << "reading writes nothing";
    }
    EXPECT_EQ(Counters(L"Setup", VendorGuid::Setup).reads, 2u);

    // Applicability needs the platform values, read once more when it is first asked.
    VARIANT_BOOL applicable = VARIANT_TRUE;
    ASSERT_EQ(Token(tokens.at(L"Docking port controller")).get_IsApplicable(&applicable), S_OK);
    EXPECT_EQ(applicable, VARIANT_FALSE);
}

TEST_F(SystemBuilderTest, WrittenToAnIniFileAndLoadedAgainTheConfigurationKeepsItsValues)
{
    ASSERT_EQ(toolkit->LoadConfigFromSystem(kBiosSmbiosTokens), S_OK);
    std::map<std::wstring, std::wstring> system;
    for (EConfigGroupID id : {EConfigGroup_SMBIOS, EConfigGroup_Tokens}) {
        for (const ComPtr<IConfigData>& item : ItemsOf(id)) {
            UniqueVariant value;
            item->get_Value(value.put());
            // A check box is written as TRUE or FALSE and read back as 1 or 0.
            if (V_VT(value.get()) == VT_BOOL) {
                system[id == EConfigGroup_Tokens ? Token(item).GetUQI() : NameOf(item.Get())] =
                    V_BOOL(value.get()) ? L"1" : L"0";
            } else {
                system[id == EConfigGroup_Tokens ? Token(item).GetUQI() : NameOf(item.Get())] = ValueText(item.Get());
            }
        }
    }
    TemporaryFolder folder;
    const UniqueBstr path = UniqueBstr::From(folder.File(L"board.ini").c_str());
    ASSERT_EQ(toolkit->WriteINIFile(path.get(), kBiosSmbiosTokens), S_OK);
    const auto images = ItemsOf(EConfigGroup_BIOSImage);
    BIOSImageRecord before{4096};
    ASSERT_EQ(Image(images[0]).GetBIOSImage(&before), S_OK);

    ASSERT_EQ(toolkit->Reset(), S_OK);
    ASSERT_EQ(toolkit->LoadINIFile(path.get(), kBiosSmbiosTokens), S_OK);
    std::map<std::wstring, std::wstring> file;
    for (EConfigGroupID id : {EConfigGroup_SMBIOS, EConfigGroup_Tokens}) {
        for (const ComPtr<IConfigData>& item : ItemsOf(id)) {
            file[id == EConfigGroup_Tokens ? Token(item).GetUQI() : NameOf(item.Get())] = ValueText(item.Get());
        }
    }
    EXPECT_EQ(file, system);
    EXPECT_EQ(ValueText(ItemsOf(EConfigGroup_BIOSInfo)[0].Get()), L"DBZ7710H.86A.0042.2013.0312.1045");
    const auto reloaded = ItemsOf(EConfigGroup_BIOSImage);
    ASSERT_EQ(reloaded.size(), 2u);
    BIOSImageRecord after{4096};
    ASSERT_EQ(Image(reloaded[0]).GetBIOSImage(&after), S_OK);
    EXPECT_EQ(after.data, before.data);
    EXPECT_EQ(after.mask, before.mask);
    EXPECT_EQ(Image(reloaded[1]).GetWriteFlag(), 0u);
}

TEST_F(SystemBuilderTest, BoardsThatAreReadDifferently)
{
    // A two-byte value is little-endian, and a firmware value beyond the limits is kept.
    ASSERT_TRUE(board.Update([](StoreImage& image) {
        for (StoredVariable& variable : image.variables) {
            if (variable.name == L"Setup") {
                variable.data[0x018] = 0x34;
                variable.data[0x019] = 0x12;
                variable.data[0x010] = 9;  // "System language" has no choice 9
            }
        }
        return true;
    }));
    ASSERT_EQ(toolkit->LoadConfigFromSystem(0x10), S_OK);
    EXPECT_EQ(ValueText(TokensByName().at(L"Start-up message time").Get()), std::to_wstring(0x1234));
    EXPECT_EQ(ValueText(TokensByName().at(L"System language").Get()), L"9");
    EXPECT_TRUE(Token(TokensByName().at(L"System language")).HasInvalidValue());
    EXPECT_FALSE(Token(TokensByName().at(L"Start-up message time")).HasInvalidValue());
    ASSERT_EQ(toolkit->Reset(), S_OK);

    // A board that keeps its own fan-control configuration is not read when cooling is asked for.
    SetVariable(L"FSCConfigVar", VendorGuid::FscConfigVar, {1, 2, 3});
    EXPECT_EQ(toolkit->LoadConfigFromSystem(0x17), ResultCode::S_NOTHING_TO_DO);
    ComPtr<IConfigGroup> group;
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_BIOS, &group), ResultCode::S_NOT_FOUND) << "no tree";
    ASSERT_EQ(toolkit->Reset(), S_OK);

    // A BIOS ID too short for its date, or with a month 13, a day 32 or an hour 25, fails the
    // BIOS information instead of naming another date.
    for (const char* id : {"DBZ7710H.86A.0042.2013.0312.104", "DBZ7710H.86A.0042.2013.1312.1045",
                           "DBZ7710H.86A.0042.2013.0332.1045", "DBZ7710H.86A.0042.2013.0312.2545"}) {
        std::vector<uint8_t> text(id, id + std::strlen(id));
        SetVariable(L"FirmwareId", VendorGuid::FirmwareId, text);
        EXPECT_EQ(toolkit->LoadConfigFromSystem(0x02), E_FAIL) << id;
        EXPECT_EQ(TakeErrorDescription(), L"An error occurred while retrieving data from the system.");
        ASSERT_EQ(toolkit->Reset(), S_OK);
    }
}

} // namespace

namespace {

// Runs in a program of its own (see CMakeLists.txt): naming a configuration-point token
// makes every later read of the process hand out its components without the tree.
TEST_F(SystemBuilderTest, ConfigurationPointTokenIsInstalledAtOnce)
{
    auto byte = [&](const wchar_t* name, size_t offset) { return Data(name, VendorGuid::Setup).at(offset); };
    auto writes = [&](const wchar_t* name) { return Counters(name, VendorGuid::Setup).writes; };
    unsigned short layout[] = {3};  // "Keyboard layout" at 0x017: French
    ASSERT_EQ(toolkit->SetCPTokInfo(0x0107, layout, 1), S_OK);
    ASSERT_EQ(toolkit->LoadConfigFromSystem(0x10), S_OK);
    EXPECT_EQ(byte(L"Setup", 0x017), 3);
    EXPECT_EQ(byte(L"OemDefault", 0x017), 3);
    EXPECT_EQ(std::make_pair(writes(L"Setup"), writes(L"OemDefault")), std::make_pair(1u, 1u));
    ComPtr<IConfigGroup> group;
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_Tokens, &group), ResultCode::S_NOT_FOUND) << "no items, no tree";

    // A value the question does not offer, and a token not to be customized, change nothing.
    for (auto [uqi, value] : {std::pair<ULONG, unsigned short>{0x0107, 9}, std::pair<ULONG, unsigned short>{0x0115, 1300}}) {
        ASSERT_EQ(toolkit->Reset(), S_OK);
        ASSERT_EQ(toolkit->SetCPTokInfo(uqi, &value, 1), S_OK);
        ASSERT_EQ(toolkit->LoadConfigFromSystem(0x10), S_OK);
        EXPECT_EQ(writes(L"Setup"), 1u) << uqi;
    }
    EXPECT_EQ(byte(L"Setup", 0x017), 3);
}

} // namespace
