// The restart rules: what they do to a board at a restart, what a protected variable answers,
// and how the store file keeps them. Pure code over images, run natively and under Wine.
#include "RestartRules.h"

#include "EfiGuid.h"
#include "EfiStatus.h"
#include "StoreFormat.h"
#include "StoreOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace fwstore;

namespace {

constexpr GUID RULE_VENDOR = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};

std::string Text(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A board with "Setup" and its defaults, and one other variable.
StoreImage SetupBoard()
{
    StoreImage image;
    image.boardName = L"rules board";
    image.capacity = 4096;
    image.variables.push_back({L"Setup", SETUP_VENDOR, 7, {1, 2, 3, 4, 5, 6, 7, 8}});
    image.variables.push_back({L"SetupDefault", SETUP_VENDOR, 3, {9, 9, 9, 9, 9, 9}});
    image.variables.push_back({L"Other", RULE_VENDOR, 7, {0x10, 0x20}});
    return image;
}

std::vector<uint8_t>& SetupData(StoreImage& image)
{
    return FindVariable(image, L"Setup", SETUP_VENDOR)->data;
}

RestartRule Revert(const StoreImage& image, uint32_t offset, uint32_t length)
{
    RestartRule rule;
    EXPECT_EQ(Text(MakeRevertRule(image, L"Setup", SETUP_VENDOR, offset, length, rule)), "");
    return rule;
}

RestartRule Rule(RestartRuleKind kind, const wchar_t* name = L"", const GUID& vendor = GUID{})
{
    RestartRule rule;
    rule.kind = kind;
    rule.name = name;
    rule.vendor = vendor;
    return rule;
}

uint32_t Write(StoreImage& image, const wchar_t* name, const GUID& vendor, std::vector<uint8_t> data)
{
    uint32_t attributes = 7, size = static_cast<uint32_t>(data.size());
    return SetVariableIn(image, name, &vendor, &attributes, &size, data.empty() ? nullptr : data.data()).status;
}

// The whole encoding, with its checksum made to match after a test changed the body.
std::vector<uint8_t> Encoded(const StoreImage& image)
{
    return StoreFormatTesting::EncodeUnchecked(image);
}

void FixChecksum(std::vector<uint8_t>& bytes)
{
    const uint32_t crc = Crc32(std::span<const uint8_t>(bytes).subspan(STORE_HEADER_BYTES));
    for (int i = 0; i < 4; ++i)
        bytes[20 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

size_t RulesSectionAt(const std::vector<uint8_t>& bytes)
{
    const uint8_t tag[] = {'R', 'U', 'L', 'S'};
    return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), std::begin(tag), std::end(tag)) - bytes.begin());
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string Refusal(const std::vector<uint8_t>& bytes)
{
    StoreImage image;
    std::wstring error;
    EXPECT_FALSE(ParseStore(bytes, image, error));
    return Text(error);
}

} // namespace

TEST(RestartRules, RevertBringsBackOnlyItsRangeAndTakesTheBytesEachStartBeganWith)
{
    StoreImage image = SetupBoard();
    image.restartRules.push_back(Revert(image, 2, 3));
    SetupData(image) = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8};

    auto events = ApplyRestartRules(image);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RestartRuleEvent::Kind::Reverted);
    EXPECT_EQ(events[0].offset, 2u);
    EXPECT_EQ(events[0].length, 3u);
    EXPECT_EQ(SetupData(image), (std::vector<uint8_t>{0xA1, 0xA2, 3, 4, 5, 0xA6, 0xA7, 0xA8}));
    EXPECT_FALSE(RecordStartBytes(image)) << "the start began with the reverted bytes";

    // What the firmware itself changes during the restart is what the next one goes back to.
    SetupData(image)[3] = 0x44;
    EXPECT_TRUE(RecordStartBytes(image));
    EXPECT_EQ(image.restartRules[0].startBytes, (std::vector<uint8_t>{3, 0x44, 5}));
    EXPECT_TRUE(ApplyRestartRules(image).empty()) << "nothing was written since that start";
    ASSERT_EQ(image.restartRules.size(), 1u) << "a revert rule acts at every restart";
}

TEST(RestartRules, RevertOfAnAbsentOrShortVariableIsReportedAndSkipped)
{
    StoreImage image = SetupBoard();
    image.restartRules.push_back(Revert(image, 4, 4));
    SetupData(image).resize(6);
    auto events = ApplyRestartRules(image);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RestartRuleEvent::Kind::RevertTooShort);
    EXPECT_EQ(events[0].variableSize, 6u);
    EXPECT_EQ(SetupData(image), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));

    image.variables.erase(image.variables.begin());
    events = ApplyRestartRules(image);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RestartRuleEvent::Kind::RevertAbsent);
    EXPECT_FALSE(RecordStartBytes(image));
    EXPECT_EQ(image.restartRules[0].startBytes, (std::vector<uint8_t>{5, 6, 7, 8})) << "the old start bytes are kept";
    EXPECT_EQ(FindVariable(image, L"Setup", SETUP_VENDOR), nullptr) << "a revert never makes a variable";
}

TEST(RestartRules, RevertRuleIsMadeOnlyOfBytesTheVariableHolds)
{
    const StoreImage image = SetupBoard();
    RestartRule rule;
    EXPECT_EQ(Text(MakeRevertRule(image, L"Setup", SETUP_VENDOR, 7, 1, rule)), "");
    EXPECT_EQ(rule.startBytes, (std::vector<uint8_t>{8}));
    EXPECT_NE(Text(MakeRevertRule(image, L"Setup", SETUP_VENDOR, 7, 2, rule)).find("has 8 bytes"), std::string::npos);
    EXPECT_NE(Text(MakeRevertRule(image, L"Setup", SETUP_VENDOR, 0, 0, rule)), "");
    EXPECT_NE(Text(MakeRevertRule(image, L"Setup", SETUP_VENDOR, UINT32_MAX, 2, rule)), "") << "offset and length overflow";
    EXPECT_NE(Text(MakeRevertRule(image, L"Setup", RULE_VENDOR, 0, 1, rule)).find("does not exist"), std::string::npos);
}

TEST(RestartRules, DefaultsResetSetupOnceKeepingItsAttributes)
{
    StoreImage image = SetupBoard();
    EXPECT_EQ(Text(DefaultsRuleProblem(image)), "");
    image.restartRules.push_back(Rule(RestartRuleKind::Protect, L"Other", RULE_VENDOR));
    image.restartRules.push_back(Rule(RestartRuleKind::Defaults));

    auto events = ApplyRestartRules(image);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RestartRuleEvent::Kind::Reset);
    const StoredVariable* setup = FindVariable(image, L"Setup", SETUP_VENDOR);
    EXPECT_EQ(setup->data, (std::vector<uint8_t>{9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(setup->attributes, 7u);
    ASSERT_EQ(image.restartRules.size(), 1u) << "the defaults rule is used up, the others stay";
    EXPECT_EQ(image.restartRules[0].kind, RestartRuleKind::Protect);

    SetupData(image) = {1};
    EXPECT_TRUE(ApplyRestartRules(image).empty());
    EXPECT_EQ(SetupData(image), (std::vector<uint8_t>{1}));
}

TEST(RestartRules, DefaultsMakeADeletedSetupAndFailWithoutStorageOrDefaults)
{
    StoreImage image = SetupBoard();
    image.variables.erase(image.variables.begin());
    image.restartRules.push_back(Rule(RestartRuleKind::Defaults));
    ApplyRestartRules(image);
    ASSERT_NE(FindVariable(image, L"Setup", SETUP_VENDOR), nullptr);
    EXPECT_EQ(FindVariable(image, L"Setup", SETUP_VENDOR)->attributes, 3u) << "made anew with the defaults' attributes";

    image = SetupBoard();
    image.capacity = static_cast<uint32_t>(UsedStorageBytes(image));
    FindVariable(image, L"SetupDefault", SETUP_VENDOR)->data.resize(20, 9);
    image.capacity += 12;
    image.restartRules.push_back(Rule(RestartRuleKind::Defaults));
    auto events = ApplyRestartRules(image);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RestartRuleEvent::Kind::ResetFailed);
    EXPECT_EQ(events[0].status, EFI_STATUS_OUT_OF_STORAGE);
    EXPECT_EQ(SetupData(image), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(image.restartRules.empty());

    image = SetupBoard();
    image.variables.erase(image.variables.begin() + 1);
    EXPECT_NE(Text(DefaultsRuleProblem(image)).find("no \"SetupDefault\""), std::string::npos);
    image.restartRules.push_back(Rule(RestartRuleKind::Defaults));
    events = ApplyRestartRules(image);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, RestartRuleEvent::Kind::ResetNoDefaults);
    EXPECT_TRUE(image.restartRules.empty());
}

TEST(RestartRules, ProtectedVariableRefusesEveryWriteAsAnAlwaysFault)
{
    StoreImage image = SetupBoard();
    image.restartRules.push_back(Rule(RestartRuleKind::Protect, L"Setup", SETUP_VENDOR));
    EXPECT_EQ(Write(image, L"Setup", SETUP_VENDOR, {0xFF}), EFI_STATUS_WRITE_PROTECTED);
    EXPECT_EQ(Write(image, L"Setup", SETUP_VENDOR, {}), EFI_STATUS_WRITE_PROTECTED);
    EXPECT_EQ(SetupData(image), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    const VariableCounters* counters = FindCounters(image, L"Setup", SETUP_VENDOR);
    ASSERT_NE(counters, nullptr);
    EXPECT_EQ(counters->failedWrites, 2u);
    EXPECT_EQ(counters->writes + counters->deletes, 0u);

    // Only that name under that GUID; an armed fault is taken first.
    EXPECT_EQ(Write(image, L"Setup", RULE_VENDOR, {0xFF}), EFI_STATUS_SUCCESS);
    EXPECT_EQ(Write(image, L"Setup2", SETUP_VENDOR, {0xFF}), EFI_STATUS_SUCCESS);
    FaultRule fault;
    fault.status = EFI_STATUS_DEVICE_ERROR;
    image.faults.push_back(fault);
    EXPECT_EQ(Write(image, L"Setup", SETUP_VENDOR, {0xFF}), EFI_STATUS_DEVICE_ERROR);
    EXPECT_TRUE(image.faults.empty());
    EXPECT_EQ(ProtectionStatus(image, L"Setup", SETUP_VENDOR), EFI_STATUS_WRITE_PROTECTED);
}

TEST(RestartRulesFormat, EveryKindRoundTripsAndAStoreWithoutRulesHasNoSection)
{
    StoreImage image = SetupBoard();
    std::vector<uint8_t> bytes;
    std::wstring error;
    ASSERT_EQ(SerializeStore(image, bytes, error), SerializeStatus::Ok);
    EXPECT_EQ(RulesSectionAt(bytes), bytes.size()) << "a store without rules is written as older stores were";
    StoreImage parsed;
    ASSERT_TRUE(ParseStore(bytes, parsed, error)) << Text(error);
    EXPECT_TRUE(parsed.restartRules.empty());

    image.restartRules = {Revert(image, 1, 2), Rule(RestartRuleKind::Protect, L"Other", RULE_VENDOR),
        Rule(RestartRuleKind::Defaults)};
    ASSERT_EQ(SerializeStore(image, bytes, error), SerializeStatus::Ok);
    EXPECT_EQ(bytes.size(), EncodedStoreBytes(image));
    ASSERT_TRUE(ParseStore(bytes, parsed, error)) << Text(error);
    ASSERT_EQ(parsed.restartRules.size(), 3u);
    EXPECT_EQ(parsed.restartRules[0].kind, RestartRuleKind::Revert);
    EXPECT_EQ(parsed.restartRules[0].name, L"Setup");
    EXPECT_TRUE(SameGuid(parsed.restartRules[0].vendor, SETUP_VENDOR));
    EXPECT_EQ(parsed.restartRules[0].offset, 1u);
    EXPECT_EQ(parsed.restartRules[0].startBytes, (std::vector<uint8_t>{2, 3}));
    EXPECT_EQ(parsed.restartRules[1].kind, RestartRuleKind::Protect);
    EXPECT_TRUE(SameGuid(parsed.restartRules[1].vendor, RULE_VENDOR));
    EXPECT_EQ(parsed.restartRules[2].kind, RestartRuleKind::Defaults);
    EXPECT_EQ(Encoded(parsed), Encoded(image));
}

TEST(RestartRulesFormat, DamagedRulesAreRefusedByReaderAndWriter)
{
    StoreImage image = SetupBoard();
    image.restartRules = {Rule(RestartRuleKind::Protect, L"Other", RULE_VENDOR)};
    const std::vector<uint8_t> good = Encoded(image);
    const size_t payload = RulesSectionAt(good) + 8;

    std::vector<uint8_t> bytes = good;
    PutU32(bytes, payload, 1000);
    FixChecksum(bytes);
    EXPECT_NE(Refusal(bytes).find("section RULS at offset"), std::string::npos);
    EXPECT_NE(Refusal(bytes).find("rule count 1000 does not fit"), std::string::npos);

    bytes = good;
    PutU32(bytes, payload + 4 + 4 + 16 + 4 + 4, 0xFFFFFFF0);   // the range's length
    FixChecksum(bytes);
    EXPECT_NE(Refusal(bytes).find("cut short"), std::string::npos);

    bytes = good;
    bytes.insert(bytes.end(), good.begin() + static_cast<std::ptrdiff_t>(payload) - 8, good.end());
    PutU32(bytes, 16, static_cast<uint32_t>(bytes.size() - STORE_HEADER_BYTES));
    FixChecksum(bytes);
    EXPECT_NE(Refusal(bytes).find("section RULS appears twice"), std::string::npos);

    const struct {
        RestartRule rule;
        const char* message;
    } broken[] = {
        {Rule(static_cast<RestartRuleKind>(9), L"Other", RULE_VENDOR), "rule kind 9 is unknown"},
        {Rule(RestartRuleKind::Defaults, L"Setup"), "a defaults rule names no variable"},
        {Rule(RestartRuleKind::Protect), "rule variable name is empty"},
        {Rule(RestartRuleKind::Revert, L"Setup", SETUP_VENDOR), "the revert range of \"Setup\" is empty"},
    };
    for (const auto& [rule, message] : broken) {
        image.restartRules = {rule};
        EXPECT_NE(Refusal(Encoded(image)).find(message), std::string::npos) << message;
        std::vector<uint8_t> written;
        std::wstring error;
        EXPECT_EQ(SerializeStore(image, written, error), SerializeStatus::BreaksRule) << message;
        EXPECT_EQ(Text(error).rfind("rule 1: ", 0), 0u) << Text(error);
    }
}
