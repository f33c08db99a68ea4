#include "RestartRules.h"

#include "EfiGuid.h"
#include "EfiStatus.h"
#include "StoreOperations.h"

#include <algorithm>

namespace fwstore {

const GUID SETUP_VENDOR = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};

namespace {

// The range of a revert rule within `data`, when the data reaches its end.
bool RangeFits(const RestartRule& rule, const std::vector<uint8_t>& data)
{
    return rule.offset <= data.size() && rule.startBytes.size() <= data.size() - rule.offset;
}

RestartRuleEvent RevertEvent(RestartRuleEvent::Kind kind, const RestartRule& rule)
{
    RestartRuleEvent event;
    event.kind = kind;
    event.name = rule.name;
    event.offset = rule.offset;
    event.length = static_cast<uint32_t>(rule.startBytes.size());
    return event;
}

// Appends what the revert rule did, when it did or could not do anything.
void Revert(StoreImage& image, const RestartRule& rule, std::vector<RestartRuleEvent>& events)
{
    StoredVariable* variable = FindVariable(image, rule.name, rule.vendor);
    if (variable == nullptr) {
        events.push_back(RevertEvent(RestartRuleEvent::Kind::RevertAbsent, rule));
        return;
    }
    if (!RangeFits(rule, variable->data)) {
        RestartRuleEvent event = RevertEvent(RestartRuleEvent::Kind::RevertTooShort, rule);
        event.variableSize = variable->data.size();
        events.push_back(event);
        return;
    }
    auto range = variable->data.begin() + rule.offset;
    if (std::equal(rule.startBytes.begin(), rule.startBytes.end(), range))
        return;
    std::copy(rule.startBytes.begin(), rule.startBytes.end(), range);
    events.push_back(RevertEvent(RestartRuleEvent::Kind::Reverted, rule));
}

// "Setup" becomes "SetupDefault", keeping its own attributes (a variable keeps them for
// life); made anew with those of the defaults when it was deleted.
RestartRuleEvent ResetToDefaults(StoreImage& image)
{
    RestartRuleEvent event;
    event.name = SETUP_NAME;
    const StoredVariable* defaults = FindVariable(image, SETUP_DEFAULT_NAME, SETUP_VENDOR);
    if (defaults == nullptr) {
        event.kind = RestartRuleEvent::Kind::ResetNoDefaults;
        return event;
    }
    const StoredVariable* setup = FindVariable(image, SETUP_NAME, SETUP_VENDOR);
    const uint32_t attributes = setup ? setup->attributes : defaults->attributes;
    const std::vector<uint8_t> data = defaults->data;
    event.status = SetStoredVariable(image, SETUP_NAME, SETUP_VENDOR, attributes, data);
    event.kind = event.status == EFI_STATUS_SUCCESS ? RestartRuleEvent::Kind::Reset : RestartRuleEvent::Kind::ResetFailed;
    return event;
}

} // namespace

uint32_t ProtectionStatus(const StoreImage& image, std::wstring_view name, const GUID& vendor)
{
    for (const RestartRule& rule : image.restartRules) {
        if (rule.kind == RestartRuleKind::Protect && rule.name == name && SameGuid(rule.vendor, vendor))
            return EFI_STATUS_WRITE_PROTECTED;
    }
    return EFI_STATUS_SUCCESS;
}

std::wstring MakeRevertRule(const StoreImage& image, const std::wstring& name, const GUID& vendor, uint32_t offset,
    uint32_t length, RestartRule& rule)
{
    RestartRule made;
    made.kind = RestartRuleKind::Revert;
    made.name = name;
    made.vendor = vendor;
    made.offset = offset;
    const StoredVariable* variable = FindVariable(image, name, vendor);
    if (variable == nullptr)
        return L"variable \"" + name + L"\" " + FormatRegistryGuid(vendor) + L" does not exist";
    const uint64_t end = uint64_t{offset} + length;
    if (length == 0 || end > variable->data.size())
        return L"variable \"" + name + L"\" has " + std::to_wstring(variable->data.size()) +
               L" bytes: the range does not lie within it";
    made.startBytes.assign(variable->data.begin() + offset, variable->data.begin() + static_cast<size_t>(end));
    rule = std::move(made);
    return {};
}

std::wstring DefaultsRuleProblem(const StoreImage& image)
{
    if (FindVariable(image, SETUP_DEFAULT_NAME, SETUP_VENDOR) == nullptr)
        return L"the board has no \"SetupDefault\" " + FormatRegistryGuid(SETUP_VENDOR) + L" to reset \"Setup\" from";
    return {};
}

std::vector<RestartRuleEvent> ApplyRestartRules(StoreImage& image)
{
    std::vector<RestartRuleEvent> events;
    for (const RestartRule& rule : image.restartRules) {
        if (rule.kind == RestartRuleKind::Revert)
            Revert(image, rule, events);
        else if (rule.kind == RestartRuleKind::Defaults)
            events.push_back(ResetToDefaults(image));
    }
    std::erase_if(image.restartRules, [](const RestartRule& rule) { return rule.kind == RestartRuleKind::Defaults; });
    return events;
}

bool RecordStartBytes(StoreImage& image)
{
    bool changed = false;
    for (RestartRule& rule : image.restartRules) {
        if (rule.kind != RestartRuleKind::Revert)
            continue;
        const StoredVariable* variable = FindVariable(image, rule.name, rule.vendor);
        if (variable == nullptr || !RangeFits(rule, variable->data))
            continue;
        auto range = variable->data.begin() + rule.offset;
        if (std::equal(rule.startBytes.begin(), rule.startBytes.end(), range))
            continue;
        std::copy(range, range + static_cast<std::ptrdiff_t>(rule.startBytes.size()), rule.startBytes.begin());
        changed = true;
    }
    return changed;
}

} // namespace fwstore
