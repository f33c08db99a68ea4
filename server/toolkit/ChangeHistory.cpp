#include "ChangeHistory.h"

#include "InstallPlanJson.h"

#include "config/ComponentMask.h"
#include "history/HistoryStamp.h"
#include "system/VariableCatalogue.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace change_history {

namespace {

struct Component {
    ULONG bit;
    const char* name;
    const char* description;
};

constexpr Component kComponents[] = {
    {CComponentMask::kBIOS, "bios", "BIOS image"},
    {CComponentMask::kSMBIOS, "smbios", "SMBIOS strings"},
    {CComponentMask::kCooling, "cooling", "cooling settings"},
    {CComponentMask::kPayload, "payload", "fan-control payload"},
    {CComponentMask::kTokens, "tokens", "setup tokens"},
};

// Events that report progress; every other event told the client of something to look at.
bool IsProgress(const std::wstring& name)
{
    static const wchar_t* const progress[] = {L"OnInstallStart", L"OnInstallSuccess", L"OnRemoveStart",
        L"OnRemoveSuccess", L"OnExtractStart", L"OnExtractSuccess", L"OnFlashStart", L"OnFlashSuccess",
        L"OnSMBIOSPrompt"};
    return std::any_of(std::begin(progress), std::end(progress), [&](const wchar_t* n) { return name == n; });
}

bool MentionsPassword(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
    return text.find(L"password") != std::wstring::npos;
}

// A password's item: the variables that hold passwords, a variable the install kept because
// it would have overwritten one, or a setting that calls itself a password. Erring towards
// secret costs only the values of a harmless item.
bool IsSecret(const PlannedItem& item, const InstallPlan& plan)
{
    if (item.component == CComponentMask::kBIOS) {
        if (item.key == VariableName::SystemPassword) {
            return true;
        }
        for (const PlannedVariable& variable : plan.variables) {
            if (variable.name == item.key &&
                (variable.passwordKept || IsEqualGUID(variable.guid, VendorGuid::MeAdminPassword))) {
                return true;
            }
        }
    }
    return MentionsPassword(item.name) || MentionsPassword(item.key);
}

history::Item ChangedItem(const PlannedItem& planned, const InstallPlan& plan)
{
    history::Item item;
    item.component = static_cast<int>(planned.component);
    item.key = history::Utf8(planned.key);
    item.name = history::Utf8(planned.name);
    item.secret = IsSecret(planned, plan);
    if (!item.secret) {
        item.before = history::Utf8(planned.before);
        item.after = history::Utf8(planned.after);
    }
    return item;
}

const Component* FindComponent(ULONG bit)
{
    for (const Component& component : kComponents) {
        if (component.bit == bit) {
            return &component;
        }
    }
    return nullptr;
}

} // namespace

std::vector<std::string> ComponentNames(ULONG mask)
{
    std::vector<std::string> names;
    for (const Component& component : kComponents) {
        if (mask & component.bit) {
            names.emplace_back(component.name);
        }
    }
    return names;
}

std::vector<std::string> Warnings(const std::vector<PlannedEvent>& events)
{
    std::vector<std::string> warnings;
    for (const PlannedEvent& event : events) {
        if (IsProgress(event.name)) {
            continue;
        }
        std::wstring line = event.name;
        for (size_t i = 0; i < event.arguments.size(); ++i) {
            line += (i == 0 ? L": " : L", ") + event.arguments[i];
        }
        warnings.push_back(history::Utf8(line));
    }
    return warnings;
}

history::Record InstallRecord(ULONG mask, const InstallPlan& plan)
{
    history::Record record;
    record.operation = "install";
    record.components = ComponentNames(mask);
    record.warnings = Warnings(plan.events);
    for (const PlannedItem& planned : plan.items) {
        if (PlannedItemChanges(planned, plan)) {
            record.items.push_back(ChangedItem(planned, plan));
        }
    }
    return record;
}

history::Record RemoveRecord(ULONG mask, const std::vector<PlannedEvent>& events)
{
    history::Record record;
    record.operation = "remove";
    record.components = ComponentNames(mask);
    record.warnings = Warnings(events);
    for (const PlannedEvent& event : events) {
        if (event.name != L"OnRemoveSuccess" || event.arguments.empty()) {
            continue;
        }
        const ULONG bit = std::wcstoul(event.arguments[0].c_str(), nullptr, 10);
        const Component* component = FindComponent(bit);
        history::Item item;
        item.component = static_cast<int>(bit);
        item.key = component ? component->name : std::to_string(bit);
        item.name = component ? component->description : "component";
        item.before = "installed";
        item.after = "removed";
        record.items.push_back(std::move(item));
    }
    return record;
}

bool ReachedFirmware(const std::vector<PlannedEvent>& events)
{
    return std::any_of(events.begin(), events.end(), [](const PlannedEvent& event) {
        return event.name == L"OnInstallStart" || event.name == L"OnRemoveStart";
    });
}

} // namespace change_history
