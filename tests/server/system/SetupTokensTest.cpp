// The setup tokens of a running system: boards whose setup databases are compiled from
// profile text, read through the real qrvefivar.dll; the firmware's data variable; a damaged
// database; the demo board.
#include "system/ExtractHiiTokens.h"
#include "system/HiiConvert.h"
#include "system/HiiTokenSource.h"
#include "system/ProcessState.h"
#include "system/SarnQRVData.h"
#include "system/SetupDatabase.h"
#include "config/TokensSetting.h"

#include "BoardFixture.h"
#include "BoardProfile.h"
#include "LogWatch.h"
#include "SetupProfile.h"

#include <map>
#include <set>

using namespace fwstore;

namespace {

const char BOARD[] = R"([Board]
Name = token test board
Capacity = 65536
)";

const char QRV_DATA[] = R"(
[Variable QrvDataVar]
Guid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}
Record = 3 01 00 01 00 02 00 00 00
)";

// Form 1 leads to form 2 and, through a reference suppressed on this board (id 2 is 0), to
// form 3; no reference leads to form 4. "Wake on LAN" sits in forms 2 and 3.
const char FORMS[] = R"(
[Store Setup]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Id = 1
Size = 256

[Store Other]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Id = 2

[FormSet Main]
Guid = {7D1C5E1A-3B2F-4C8D-9E0A-1B2C3D4E5F60}
Stores = Setup, Other
Form = id=1 title="Main"
Goto = form=2 prompt="Devices" help=""
SuppressIf = EqVarVal 2 0
Goto = form=3 prompt="Service" help=""
EndIf
Form = id=2 title="Devices"
OneOf = offset=0x10 uqi=0x0101 prompt="Serial port" help="Enables the serial port" default=1
Option = value=0 text="Disabled"
Option = value=1 text="Enabled"
CheckBox = offset=0x11 uqi=0x0102 prompt="Fast boot" help=""
OrderedList = offset=0x20 entries=3 uqi=0x0103 prompt="Boot order" help="" default=1,2,3
Option = value=1 text="Disk"
Option = value=2 text="Network"
Option = value=3 text="USB"
OrderedList = offset=0x28 entries=2 uqi=0x0104 prompt="Fan order" help="" default=0,1
Option = value=0 text="None"
Option = value=1 text="CPU fan"
OneOf = offset=0x12 uqi="" prompt="No UQI" help=""
Option = value=0 text="A"
SuppressIf = EqVarVal 1 0
OneOf = offset=0x13 uqi=0x0106 prompt="Wake on LAN" help=""
Option = value=0 text="Off"
Option = value=1 text="On"
EndIf
GrayoutIf = EqIdVal 0x80 1 2
SuppressIf = EqIdVal 0x80 1 1
Numeric = offset=0x14 width=2 uqi=0x0107 prompt="Timeout" help="Seconds" min=0 max=30 step=1 default=5
EndIf
Select = store=Other
OneOf = offset=0x10 uqi=0x0105 prompt="Other store" help=""
Option = value=0 text="X"
Select = store=Setup
Form = id=3 title="Service"
SuppressIf = EqVarVal 1 1
OneOf = offset=0x13 uqi=0x0106 prompt="Wake on LAN" help=""
Option = value=1 text="On"
Option = value=2 text="Auto"
EndIf
OneOf = offset=0x17 uqi=0x0108 prompt="Service mode" help=""
Option = value=0 text="Off"
Form = id=4 title="Orphans"
CheckBox = offset=0x18 uqi=0x0109 prompt="Orphan" help=""
SuppressIf = EqVarVal 1 1 EqVarVal 2 0
CheckBox = offset=0x19 uqi=0x010B prompt="Broken condition" help=""
EndIf
Byte = offset=0x80 value=0

[FormSet Elsewhere]
Guid = {7D1C5E1A-3B2F-4C8D-9E0A-1B2C3D4E5F61}
Stores = Other
Form = id=1 title="Other"
OneOf = offset=0x30 uqi=0x010A prompt="Not in Setup" help=""
Option = value=0 text="X"
)";

StoreImage ImageOf(const std::string& profile)
{
    StoreImage image;
    const StoreResult result = ParseBoardProfile(profile, L"test.ini", {}, image);
    EXPECT_TRUE(result.Ok()) << std::string(result.message.begin(), result.message.end());
    return image;
}

class SetupTokensTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ProcessState::ForgetFirmwareReadings();
    }
    void TearDown() override
    {
        ProcessState::ForgetFirmwareReadings();
        CoUninitialize();
    }

    HiiTokenPointers LoadTokens(const std::string& profile)
    {
        m_board.Create(ImageOf(profile));
        HiiTokenPointers tokens;
        EXPECT_EQ(S_OK, CExtractHiiTokens::GetTokens(&tokens));
        return tokens;
    }

    static const HII_SETTING* Find(const HiiTokenPointers& tokens, uint16_t uqi)
    {
        for (const auto& token : tokens) {
            if (token->UQINumber() == uqi) {
                return token.get();
            }
        }
        return nullptr;
    }

    static std::u16string Options(const HII_SETTING& setting)
    {
        std::u16string text;
        for (const HII_OPTION& option : setting.options) {
            text += std::u16string(1, static_cast<char16_t>(u'0' + option.value)) + u":" + option.text + u" ";
        }
        return text;
    }

    // IsApplicable of a token item made from the record, through its interface.
    static VARIANT_BOOL Applicable(const HII_SETTING* setting, HRESULT expected = S_OK)
    {
        ComPtr<CTokensSetting> item;
        EXPECT_HRESULT_SUCCEEDED(CTokensSetting::Make(item));
        std::shared_ptr<const HII_SETTING> shared(std::shared_ptr<const HII_SETTING>{}, setting);
        item->SetSource(std::make_shared<CHiiTokenSource>(shared));
        item->SetNameText(ToWide(setting->name));
        ComPtr<ITokenConfigData> token;
        EXPECT_HRESULT_SUCCEEDED(item.As(&token));
        VARIANT_BOOL applicable = VARIANT_FALSE;
        EXPECT_EQ(expected, token->get_IsApplicable(&applicable));
        return applicable;
    }

    BoardFixture m_board;
};

TEST_F(SetupTokensTest, QuestionsOfTheSetupVariableWithAUqiAreTokens)
{
    const HiiTokenPointers tokens = LoadTokens(std::string(BOARD) + QRV_DATA + FORMS);
    std::vector<uint16_t> uqis;
    for (const auto& token : tokens) {
        uqis.push_back(token->UQINumber());
    }
    // No UQI, another store selected, a table whose variable is not "Setup": no tokens.
    EXPECT_EQ((std::vector<uint16_t>{0x0101, 0x0102, 0x0103, 0x0104, 0x0106, 0x0107, 0x0108, 0x0109, 0x010B}), uqis);

    const HII_SETTING* serial = Find(tokens, 0x0101);
    ASSERT_NE(nullptr, serial);
    EXPECT_EQ(u"Serial port", serial->name);
    EXPECT_EQ(u"Enables the serial port", serial->description);
    EXPECT_EQ(u"\x0101", serial->uqi);
    EXPECT_EQ(u"Setup", serial->variableName);
    EXPECT_EQ(0x10, serial->offset);
    EXPECT_EQ(1, serial->width);
    EXPECT_EQ(9, serial->opcodeByteCount);
    EXPECT_EQ(2, serial->formId);
    EXPECT_EQ(u"0:Disabled 1:Enabled ", Options(*serial));

    EXPECT_EQ(u"1:CHECKED 0:UNCHECKED ", Options(*Find(tokens, 0x0102)));
    EXPECT_EQ(u"", Find(tokens, 0x0102)->description);
    EXPECT_EQ(u"1:Disk 2:Network 3:USB 0:(no value) ", Options(*Find(tokens, 0x0103)));
    EXPECT_EQ(u"0:None 1:CPU fan ", Options(*Find(tokens, 0x0104)));

    const HII_SETTING* timeout = Find(tokens, 0x0107);
    ASSERT_NE(nullptr, timeout);
    EXPECT_EQ(2, timeout->width);
    EXPECT_EQ(20, timeout->opcodeByteCount);
    uint16_t maximum = 0;
    ASSERT_TRUE(timeout->NumericField(14, maximum));
    EXPECT_EQ(30, maximum);
    ASSERT_EQ(1u, timeout->grayoutConditions.size());
    ASSERT_EQ(1u, timeout->suppressConditions.size());
}

TEST_F(SetupTokensTest, ARepeatedQuestionIsOneTokenApplicableWhenEitherCopyIs)
{
    const HiiTokenPointers tokens = LoadTokens(std::string(BOARD) + QRV_DATA + FORMS);
    const HII_SETTING* wake = Find(tokens, 0x0106);
    ASSERT_NE(nullptr, wake);
    EXPECT_EQ(u"2:Auto 0:Off 1:On ", Options(*wake));
    EXPECT_EQ(2u, wake->suppressConditions.size());
    EXPECT_EQ(2u, wake->placements.size());

    LogWatch log;
    EXPECT_EQ(VARIANT_TRUE, Applicable(wake));                     // the copy in form 2
    EXPECT_EQ(VARIANT_FALSE, Applicable(Find(tokens, 0x0108)));    // form 3 only
    EXPECT_EQ(VARIANT_TRUE, Applicable(Find(tokens, 0x0109)));     // form 4: no reference
    EXPECT_EQ(VARIANT_TRUE, Applicable(Find(tokens, 0x0107)));     // a question's value decides nothing
    EXPECT_TRUE(log.Has("Information", "Located EQ_VAR_VAL ID 2 [Value = 0]"));
}

TEST_F(SetupTokensTest, AConditionThatCannotBeEvaluatedFailsIsApplicable)
{
    const HiiTokenPointers tokens = LoadTokens(std::string(BOARD) + QRV_DATA + FORMS);
    LogWatch log;
    Applicable(Find(tokens, 0x010B), E_FAIL);
    GUID iid{};
    EXPECT_EQ(L"The application was unable to determine whether one or more tokens were applicable for this system.",
              TakeErrorDescription(&iid));
    EXPECT_TRUE(IsEqualGUID(IID_ITokenConfigData, iid));
    EXPECT_TRUE(log.Has("Error", "Unable to determine applicability for setting: Broken condition"));
}

TEST_F(SetupTokensTest, ApplicabilityIsWorkedOutOnceAndKept)
{
    const HiiTokenPointers tokens = LoadTokens(std::string(BOARD) + QRV_DATA + FORMS);
    ComPtr<CTokensSetting> item;
    ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(item));
    item->SetSource(std::make_shared<CHiiTokenSource>(tokens[0]));
    VARIANT_BOOL applicable = VARIANT_FALSE;
    ASSERT_EQ(S_OK, item->get_IsApplicable(&applicable));
    EXPECT_EQ(VARIANT_TRUE, applicable);
    m_board.Remove();  // nothing more is read
    ASSERT_EQ(S_OK, item->get_IsApplicable(&applicable));
    EXPECT_EQ(VARIANT_TRUE, applicable);
}

TEST_F(SetupTokensTest, TheFirmwareReadingsAreKeptUntilForgottenTogether)
{
    const HiiTokenPointers first = LoadTokens(std::string(BOARD) + QRV_DATA + FORMS);
    EXPECT_EQ(VARIANT_FALSE, Applicable(Find(first, 0x0108)));  // form 3: its reference is suppressed
    const ProcessState& state = ProcessState::Instance();
    EXPECT_TRUE(state.tokens && state.forms && state.eqVarTable);

    // Platform value 2 becomes 1, which lets the reference to form 3 through; until the
    // readings are forgotten the process still sees the first board.
    const char* const opened = "\n[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\n"
                               "Record = 3 01 00 01 00 02 00 01 00\n";
    m_board.Create(ImageOf(std::string(BOARD) + opened + FORMS));
    HiiTokenPointers kept;
    ASSERT_EQ(S_OK, CExtractHiiTokens::GetTokens(&kept));
    EXPECT_EQ(first.front(), kept.front());
    EXPECT_EQ(VARIANT_FALSE, Applicable(Find(kept, 0x0108)));

    ProcessState::ForgetFirmwareReadings();
    EXPECT_FALSE(state.tokens || state.forms || state.eqVarTable);
    HiiTokenPointers again;
    ASSERT_EQ(S_OK, CExtractHiiTokens::GetTokens(&again));
    EXPECT_NE(first.front(), again.front());
    EXPECT_EQ(VARIANT_TRUE, Applicable(Find(again, 0x0108)));
    EXPECT_EQ(u"Service mode", Find(first, 0x0108)->name) << "records handed out stay valid";
}

TEST_F(SetupTokensTest, PlatformValuesAreLookedUpWithTheirLogLines)
{
    m_board.Create(ImageOf(std::string(BOARD) + QRV_DATA + FORMS));
    LogWatch log;
    USHORT value = 0;
    EXPECT_EQ(S_OK, CHiiVarEqManager::GetEqVarValue(1, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ(ResultCode::E_VARIABLE_NOT_FOUND, CHiiVarEqManager::GetEqVarValue(9, &value));
    EXPECT_TRUE(log.Has("Information", "Unable to locate EQ_VAR_VAL ID 9"));
    auto qrvReads = [&] {
        for (const VariableCounters& counter : m_board.Load().counters) {
            if (counter.name == L"QrvDataVar") {
                return counter.reads;
            }
        }
        return 0u;
    };
    const auto reads = qrvReads();
    EXPECT_GT(reads, 0u);
    EXPECT_EQ(S_OK, CHiiVarEqManager::GetEqVarValue(2, &value));
    EXPECT_EQ(reads, qrvReads());  // the table is read once

    ProcessState::ForgetFirmwareReadings();
    m_board.Create(ImageOf(std::string(BOARD) + FORMS));
    EXPECT_EQ(ResultCode::E_VARIABLE_NOT_FOUND, CHiiVarEqManager::GetEqVarValue(1, &value));
    EXPECT_TRUE(log.Has("Information", "VAR_EQ_VAL (FALSE) No QRVVarData structure was found."));
}

TEST_F(SetupTokensTest, LockHideControlComesFromTheConditionPair)
{
    const HiiTokenPointers tokens = LoadTokens(std::string(BOARD) + QRV_DATA + FORMS);
    const auto control = CHiiTokenSource(std::shared_ptr<const HII_SETTING>(tokens[0], Find(tokens, 0x0107))).LockHideControl();
    ASSERT_TRUE(control.has_value());
    EXPECT_EQ(L"Setup", control->variableName);
    EXPECT_EQ(0x80, control->offset);
    EXPECT_EQ(1, control->width);
    EXPECT_FALSE(CHiiTokenSource(tokens[0]).LockHideControl().has_value());
}

TEST_F(SetupTokensTest, ADatabaseWithoutTokensFailsAndIsParsedAgainLater)
{
    const std::string noTokens = std::string(BOARD) + R"(
[Store Setup]
Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
Id = 1
[FormSet Main]
Guid = {7D1C5E1A-3B2F-4C8D-9E0A-1B2C3D4E5F60}
Stores = Setup
Form = id=1 title="Main"
CheckBox = offset=0x11 prompt="No UQI" help=""
)";
    m_board.Create(ImageOf(noTokens));
    HiiTokenPointers tokens;
    EXPECT_EQ(E_FAIL, CExtractHiiTokens::GetTokens(&tokens));
    EXPECT_EQ(E_INVALIDARG, CExtractHiiTokens::GetTokens(nullptr));
    EXPECT_FALSE(CExtractHiiTokens::IsBuilt());
    m_board.Create(ImageOf(std::string(BOARD) + QRV_DATA + FORMS));
    EXPECT_EQ(S_OK, CExtractHiiTokens::GetTokens(&tokens));
    EXPECT_EQ(9u, tokens.size());
}

TEST_F(SetupTokensTest, AnOpcodeOfLengthZeroFailsTheParseWithItsOffset)
{
    StoreImage image = ImageOf(std::string(BOARD) + QRV_DATA + FORMS);
    SetupDatabaseReader reader(image.exportDb);
    ASSERT_TRUE(reader.Index());
    const DataTableInfo& table = reader.Tables().front();
    const size_t formSet = table.start + table.formsOffset + 6;
    image.exportDb[formSet + 1] = 0;
    m_board.Create(image);
    LogWatch log;
    HiiTokenPointers tokens;
    EXPECT_EQ(E_FAIL, CExtractHiiTokens::GetTokens(&tokens));
    char offset[16];
    snprintf(offset, sizeof offset, "0x%08zX", formSet);
    EXPECT_TRUE(log.Has("Error", std::string("The setup database is damaged at offset ") + offset +
                                     ": opcode 0xE has length 0"))
        << log.NewText();
}

TEST_F(SetupTokensTest, TheDoNotShowListHoldsRecordFour)
{
    auto board = [&](const char* record) {
        m_board.Create(ImageOf(std::string(BOARD) + "[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\n" +
                               record + "\n"));
        std::set<std::wstring> list;
        return std::make_pair(PopulateDoNotShowList(list), list);
    };
    auto [hr, list] = board("Record = 3 01 00 01 00\nRecord = 4 02 00 05 01 AB 0F");
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ((std::set<std::wstring>{L"0105", L"0fab"}), list);
    std::tie(hr, list) = board("Record = 3 01 00 01 00");
    EXPECT_EQ(S_OK, hr);
    EXPECT_TRUE(list.empty());
    LogWatch log;
    std::tie(hr, list) = board("Record = 4 03 00 05 01 06 01");
    EXPECT_EQ(ResultCode::E_VARIABLE_SIZE, hr);
    EXPECT_TRUE(log.Saw("lists 3 UQIs; its bytes hold 2"));
    // A record that claims 0 bytes would never let the search move on.
    std::tie(hr, list) = board("Hex = 01 00 00 00 00 00 00 00 04 00 00 00 0A 00 00 00 00 00");
    EXPECT_EQ(ResultCode::E_VARIABLE_SIZE, hr);
    EXPECT_TRUE(log.Saw("claims 0 bytes; it needs at least 8"));
}

TEST_F(SetupTokensTest, RecordsAreReadWithTheirSizeRules)
{
    m_board.Create(ImageOf(std::string(BOARD) + QRV_DATA));
    CSarnQRVData record3(3);
    ULONG size = 4;
    BYTE buffer[16] = {};
    LogWatch log;
    EXPECT_EQ(ResultCode::E_BUFFERTOOSMALL, record3.ReadFromBIOS(buffer, &size));
    EXPECT_EQ(16u, size);
    EXPECT_TRUE(log.Has("Warning", "Buffer too small"));
    ASSERT_EQ(S_OK, record3.ReadFromBIOS(buffer, &size));
    EXPECT_EQ(3, buffer[0]);
    EXPECT_EQ(16, buffer[4]);
    EXPECT_EQ(E_POINTER, record3.ReadFromBIOS(nullptr, &size));
    EXPECT_EQ(E_POINTER, record3.ReadFromBIOS(buffer, nullptr));
    size = sizeof buffer;
    EXPECT_EQ(ResultCode::E_VARIABLE_NOT_FOUND, CSarnQRVData(2).ReadFromBIOS(buffer, &size));
    BYTE* whole = buffer;
    EXPECT_EQ(E_POINTER, record3.ReadQRVDataFromBIOS(&whole, &size));
    EXPECT_TRUE(log.Has("Error", "The dereferenced pointer is not null"));
    m_board.Create(ImageOf(BOARD));
    whole = nullptr;
    EXPECT_EQ(ResultCode::E_VARIABLE_NOT_FOUND, record3.ReadQRVDataFromBIOS(&whole, &size));
    // A variable of a bare record header holds no data.
    m_board.Create(ImageOf(std::string(BOARD) +
                           "[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 03 00 00 00 08 00 00 00\n"));
    EXPECT_EQ(ResultCode::E_VARIABLE_SIZE, record3.ReadQRVDataFromBIOS(&whole, &size));
    EXPECT_EQ(nullptr, whole);
    EXPECT_TRUE(log.Has("Error", "Unable to get variable size: 82390019.  Data size: 8"));
}

// The questions a profile describes, worked out from its statements alone: what the setup
// database compiled from it must yield.
struct DescribedToken {
    std::u16string name;
    uint16_t offset = 0;
    uint8_t width = 0;
    std::set<uint16_t> options;
};

std::map<uint16_t, DescribedToken> DescribedTokens(const fwstore::setup::SetupDescription& description)
{
    using fwstore::setup::StatementKind;
    std::map<uint16_t, DescribedToken> tokens;
    for (const auto& formSet : description.formSets) {
        const bool tableIsSetup = !formSet.stores || (!formSet.stores->empty() && formSet.stores->front() == "Setup");
        bool selectedSetup = true;
        DescribedToken* current = nullptr;
        for (const auto& statement : formSet.statements) {
            if (statement.kind == StatementKind::Option) {
                if (current) {
                    current->options.insert(statement.value);
                }
                continue;
            }
            current = nullptr;
            if (statement.kind == StatementKind::Select) {
                selectedSetup = statement.store == "Setup";
            }
            const bool question = statement.kind == StatementKind::OneOf || statement.kind == StatementKind::CheckBox ||
                                  statement.kind == StatementKind::Numeric || statement.kind == StatementKind::OrderedList;
            if (!question || !tableIsSetup || !selectedSetup || statement.uqi.empty() || statement.uqi[0] == 0) {
                continue;
            }
            DescribedToken& token = tokens[statement.uqi[0]];
            token.name = std::u16string(statement.prompt.begin(), statement.prompt.end());
            token.offset = statement.offset;
            token.width = statement.kind == StatementKind::OrderedList ? 1 : statement.width;
            if (statement.kind == StatementKind::CheckBox) {
                token.options = {0, 1};
            }
            current = &token;
        }
    }
    return tokens;
}

TEST_F(SetupTokensTest, TheDemoBoardYieldsTheQuestionsItsProfileDescribes)
{
    const std::wstring path = std::wstring(BOARDS_FOLDER) + L"/demo-board.ini";
    std::vector<uint8_t> text;
    std::wstring error;
    ASSERT_TRUE(ReadWholeFile(path, BOARD_PROFILE_MAX_BYTES, text, error));
    fwstore::setup::SetupDescription description;
    fwstore::setup::SetupError problem;
    ASSERT_TRUE(fwstore::setup::ReadSetupSections(std::string(text.begin(), text.end()), description, problem));
    const auto described = DescribedTokens(description);
    ASSERT_GE(described.size(), 150u);

    StoreImage demo;
    ASSERT_TRUE(LoadBoardProfile(path, demo).Ok());
    m_board.Create(demo);
    HiiTokenPointers tokens;
    ASSERT_EQ(S_OK, CExtractHiiTokens::GetTokens(&tokens));
    EXPECT_EQ(described.size(), tokens.size());
    for (const auto& token : tokens) {
        auto found = described.find(token->UQINumber());
        ASSERT_NE(found, described.end()) << "UQI " << token->UQINumber();
        EXPECT_EQ(found->second.name, token->name);
        EXPECT_EQ(found->second.offset, token->offset);
        EXPECT_EQ(found->second.width, token->width);
        std::set<uint16_t> values;
        for (const HII_OPTION& option : token->options) {
            values.insert(option.value);
        }
        values.erase(token->Opcode() == 0x23 && !found->second.options.contains(0) ? 0 : 0xFFFF);
        EXPECT_EQ(found->second.options, values) << "UQI " << token->UQINumber();
    }
    std::set<std::wstring> hidden;
    ASSERT_EQ(S_OK, PopulateDoNotShowList(hidden));
    EXPECT_FALSE(hidden.empty());
}

} // namespace
