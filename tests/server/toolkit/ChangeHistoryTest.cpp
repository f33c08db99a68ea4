// What the toolkit's records of changes hold: only the items that changed, a password's
// values never, the warnings without the progress events, the components by name, and the
// events passed on to the client while they are kept.
#include "toolkit/ChangeHistory.h"

#include "RecordingEventTarget.h"

#include "config/ComponentMask.h"
#include "system/VariableCatalogue.h"

#include <gtest/gtest.h>

namespace {

PlannedItem Item(ULONG component, const wchar_t* key, const wchar_t* name, const wchar_t* before, const wchar_t* after)
{
    PlannedItem item;
    item.component = component;
    item.key = key;
    item.name = name;
    item.before = before;
    item.after = after;
    return item;
}

PlannedVariable Variable(const wchar_t* name, bool changes, bool passwordKept = false)
{
    PlannedVariable variable;
    variable.name = name;
    variable.existed = true;
    variable.before = {1, 2};
    variable.after = changes ? std::vector<BYTE>{1, 3} : variable.before;
    variable.passwordKept = passwordKept;
    return variable;
}

TEST(ChangeHistory, AnInstallKeepsOnlyTheItemsThatChangedAndNoPassword)
{
    InstallPlan plan;
    plan.items = {
        Item(CComponentMask::kTokens, L"01A2", L"Boot order", L"1", L"2"),
        Item(CComponentMask::kTokens, L"0108", L"Start-up message time", L"2", L"2"),
        Item(CComponentMask::kTokens, L"0100", L"Administrator Password", L"old", L"new"),
        Item(CComponentMask::kSMBIOS, L"SMBIOS.values.SystemProduct", L"Product Name", L"KB77", L"KB78"),
        Item(CComponentMask::kBIOS, VariableName::SystemPassword, VariableName::SystemPassword, L"8 bytes", L"8 bytes"),
        Item(CComponentMask::kBIOS, L"Setup", L"Setup", L"100 bytes", L"100 bytes"),
        Item(CComponentMask::kBIOS, L"OemDefault", L"OemDefault", L"100 bytes", L"100 bytes"),
    };
    plan.items.push_back(Item(CComponentMask::kTokens, L"0200", L"Not here", L"", L"1"));
    plan.items.back().skipped = L"not on this board";
    plan.variables = {Variable(VariableName::SystemPassword, true), Variable(L"Setup", true),
                      Variable(L"OemDefault", false)};

    const history::Record record = change_history::InstallRecord(CComponentMask::kTokens | CComponentMask::kBIOS, plan);

    EXPECT_EQ(record.operation, "install");
    EXPECT_EQ(record.components, (std::vector<std::string>{"bios", "tokens"}));
    std::vector<std::string> keys;
    for (const history::Item& item : record.items) {
        keys.push_back(item.key + (item.secret ? " secret" : ""));
        if (item.secret) {
            EXPECT_EQ(item.before + item.after, "") << item.key << ": a password's values are never kept";
        }
    }
    // An image whose variable holds the board's bytes is no change; a skipped item none either.
    EXPECT_EQ(keys, (std::vector<std::string>{"01A2", "0100 secret", "SMBIOS.values.SystemProduct",
                                              "SystemPassword secret", "Setup"}));
    EXPECT_EQ(record.items[0].before, "1");
    EXPECT_EQ(record.items[0].after, "2");
    // The line written says "changed" for both values of a secret.
    EXPECT_NE(history::FormatRecord(record).find(
                  R"("name":"Administrator Password","before":"changed","after":"changed")"),
              std::string::npos);
}

TEST(ChangeHistory, AVariableKeptForItsPasswordMakesItsItemSecret)
{
    InstallPlan plan;
    plan.items = {Item(CComponentMask::kBIOS, L"MeSetup", L"MeSetup", L"4 bytes", L"4 bytes")};
    plan.variables = {Variable(L"MeSetup", true, true), Variable(L"MeSetup", true)};
    const history::Record record = change_history::InstallRecord(CComponentMask::kBIOS, plan);
    ASSERT_EQ(record.items.size(), 1u);
    EXPECT_TRUE(record.items[0].secret);
}

TEST(ChangeHistory, WarningsLeaveOutProgressAndRemoveRecordsTheComponentsRemoved)
{
    const std::vector<PlannedEvent> events = {
        {L"OnRemoveStart", {L"4"}},
        {L"OnNoCoolingHardwareFound", {}},
        {L"OnRemoveSuccess", {L"4"}},
        {L"OnRemoveStart", {L"2"}},
        {L"OnSMBIOSRemoved", {L"SMBIOS.values.ChassisAssetTag"}},
        {L"OnRemoveSuccess", {L"2"}},
        {L"OnRemoveStart", {L"1"}},
        {L"OnRemoveFail", {L"1"}},
    };
    const history::Record record = change_history::RemoveRecord(7, events);
    EXPECT_EQ(record.operation, "remove");
    EXPECT_EQ(record.components, (std::vector<std::string>{"bios", "smbios", "cooling"}));
    EXPECT_EQ(record.warnings, (std::vector<std::string>{"OnNoCoolingHardwareFound",
                                                         "OnSMBIOSRemoved: SMBIOS.values.ChassisAssetTag",
                                                         "OnRemoveFail: 1"}));
    ASSERT_EQ(record.items.size(), 2u);
    EXPECT_EQ(record.items[0].component, 4);
    EXPECT_EQ(record.items[0].key, "cooling");
    EXPECT_EQ(record.items[1].key, "smbios");
    EXPECT_EQ(record.items[1].before + " -> " + record.items[1].after, "installed -> removed");
    EXPECT_TRUE(change_history::ReachedFirmware(events));
    EXPECT_FALSE(change_history::ReachedFirmware({{L"OnBIOSIDMismatch", {L"a", L"b"}}}));
}

// A real operation's events reach the client as before while the toolkit keeps a copy.
TEST(ChangeHistory, APassingRecorderHandsEveryEventAndWarningOn)
{
    RecordingEventTarget client;
    InstallPlan kept;
    {
        CPlanEventRecorder recorder(kept, CPlanEventRecorder::Passing::On);
        unsigned short uqi[] = {0x0100, 0};
        ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnUqiNotOnSystem(uqi); });
        ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnInstallSuccess(16); });
        ToolkitEvents::RaiseWarning();
    }
    EXPECT_EQ(ToolkitEvents::Target(), &client);
    EXPECT_EQ(client.Count(ToolkitEventId::OnUqiNotOnSystem), 1);
    EXPECT_EQ(client.Count(ToolkitEventId::OnInstallSuccess), 1);
    EXPECT_EQ(client.warnings, 1);
    EXPECT_EQ(client.holds, 0);
    EXPECT_TRUE(kept.warned);
    EXPECT_EQ(change_history::Warnings(kept.events), (std::vector<std::string>{"OnUqiNotOnSystem: 0100"}));

    // A planning recorder keeps them from the client.
    InstallPlan planned;
    {
        CPlanEventRecorder recorder(planned);
        ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnInstallSuccess(16); });
        ToolkitEvents::RaiseWarning();
    }
    EXPECT_EQ(client.Count(ToolkitEventId::OnInstallSuccess), 1);
    EXPECT_EQ(client.warnings, 1);
    EXPECT_EQ(planned.events.size(), 1u);
}

} // namespace
