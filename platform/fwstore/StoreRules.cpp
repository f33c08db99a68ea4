#include "StoreRules.h"

#include "EfiGuid.h"

#include <cstdio>

namespace fwstore {

namespace {

constexpr uint64_t MAX_FIELD_BYTES = UINT32_MAX;   // sizes are 32-bit fields of the file

bool MayBeEmpty(NameField field)
{
    return field == NameField::Board || field == NameField::Fault || field == NameField::Rule;
}

std::wstring Hex(uint32_t value)
{
    wchar_t text[16];
    swprintf(text, 16, L"%#x", value);
    return text;
}

// The record whose problem it is, for messages about a whole image.
std::wstring InRecord(const wchar_t* kind, size_t index, const std::wstring& problem)
{
    return problem.empty() ? problem : std::wstring(kind) + L" " + std::to_wstring(index + 1) + L": " + problem;
}

} // namespace

const wchar_t* NameFieldLabel(NameField field)
{
    switch (field) {
    case NameField::Board: return L"board name";
    case NameField::Variable: return L"variable name";
    case NameField::Counter: return L"counter name";
    case NameField::Fault: return L"fault name";
    case NameField::Rule: return L"rule variable name";
    }
    return L"name";
}

std::wstring NameLengthProblem(NameField field, size_t length)
{
    if (length == 0 && !MayBeEmpty(field))
        return std::wstring(NameFieldLabel(field)) + L" is empty";
    if (length > MAX_NAME_LENGTH)
        return std::wstring(NameFieldLabel(field)) + L" has " + std::to_wstring(length) + L" characters, more than the " +
               std::to_wstring(MAX_NAME_LENGTH) + L" a name may have";
    return {};
}

std::wstring NameProblem(NameField field, std::wstring_view name)
{
    std::wstring problem = NameLengthProblem(field, name.size());
    if (problem.empty() && name.find(L'\0') != std::wstring_view::npos)
        problem = std::wstring(NameFieldLabel(field)) + L" holds a NUL character";
    return problem;
}

std::wstring VariableProblem(std::span<const StoredVariable> earlier, const StoredVariable& variable)
{
    if (std::wstring problem = NameProblem(NameField::Variable, variable.name); !problem.empty())
        return problem;
    if (variable.data.empty())
        return L"variable \"" + variable.name + L"\" has no data";
    if (variable.data.size() > MAX_FIELD_BYTES)
        return L"variable \"" + variable.name + L"\" has " + std::to_wstring(variable.data.size()) +
               L" bytes of data, more than " + std::to_wstring(MAX_FIELD_BYTES);
    for (const auto& other : earlier) {
        if (other.name == variable.name && SameGuid(other.vendor, variable.vendor))
            return L"variable \"" + variable.name + L"\" appears twice";
    }
    return {};
}

std::wstring CountersProblem(std::span<const VariableCounters> earlier, const VariableCounters& counters)
{
    if (std::wstring problem = NameProblem(NameField::Counter, counters.name); !problem.empty())
        return problem;
    for (const auto& other : earlier) {
        if (other.name == counters.name && SameGuid(other.vendor, counters.vendor))
            return L"counters of \"" + counters.name + L"\" appear twice";
    }
    return {};
}

std::wstring FaultProblem(const FaultRule& fault)
{
    uint32_t operation = static_cast<uint32_t>(fault.operation);
    if (operation == 0 || operation > STORE_OPERATION_LAST)
        return L"fault operation " + std::to_wstring(operation) + L" is unknown";
    if ((fault.flags & ~FAULT_FLAGS_KNOWN) != 0)
        return L"fault flags " + Hex(fault.flags) + L" are unknown";
    if (fault.remaining == 0 && (fault.flags & FAULT_EVERY_CALL) == 0)
        return L"a used-up fault (no calls left, not every call) is still stored";
    return NameProblem(NameField::Fault, fault.name);
}

std::wstring RestartRuleProblem(const RestartRule& rule)
{
    const uint32_t kind = static_cast<uint32_t>(rule.kind);
    if (kind == 0 || kind > RESTART_RULE_KIND_LAST)
        return L"rule kind " + std::to_wstring(kind) + L" is unknown";
    if (rule.kind == RestartRuleKind::Defaults) {
        if (!rule.name.empty() || rule.offset != 0 || !rule.startBytes.empty())
            return L"a defaults rule names no variable and no range";
        return {};
    }
    if (std::wstring problem = NameProblem(NameField::Variable, rule.name); !problem.empty())
        return L"rule " + problem;
    if (rule.kind == RestartRuleKind::Protect) {
        if (rule.offset != 0 || !rule.startBytes.empty())
            return L"a protect rule of \"" + rule.name + L"\" has a range";
        return {};
    }
    if (rule.startBytes.empty())
        return L"the revert range of \"" + rule.name + L"\" is empty";
    // The range's end must be a byte of a variable, whose size is a 32-bit field.
    if (rule.startBytes.size() > MAX_FIELD_BYTES - rule.offset)
        return L"the revert range of \"" + rule.name + L"\" passes 4294967295 bytes";
    return {};
}

std::wstring CapsuleProblem(const CapsuleSlot& slot)
{
    if (slot.state > CAPSULE_STATE_LAST)
        return L"capsule state " + std::to_wstring(slot.state) + L" is unknown";
    if (slot.image.size() > MAX_FIELD_BYTES)
        return L"capsule image has " + std::to_wstring(slot.image.size()) + L" bytes, more than " +
               std::to_wstring(MAX_FIELD_BYTES);
    return {};
}

std::wstring StoreImageProblem(const StoreImage& image)
{
    if (std::wstring problem = NameProblem(NameField::Board, image.boardName); !problem.empty())
        return problem;
    std::span<const StoredVariable> variables(image.variables);
    for (size_t i = 0; i < variables.size(); ++i) {
        if (std::wstring problem = InRecord(L"variable", i, VariableProblem(variables.first(i), variables[i])); !problem.empty())
            return problem;
    }
    if (image.exportDb.size() > MAX_FIELD_BYTES)
        return L"the setup database has " + std::to_wstring(image.exportDb.size()) + L" bytes, more than " +
               std::to_wstring(MAX_FIELD_BYTES);
    std::span<const VariableCounters> counters(image.counters);
    for (size_t i = 0; i < counters.size(); ++i) {
        if (std::wstring problem = InRecord(L"counters", i, CountersProblem(counters.first(i), counters[i])); !problem.empty())
            return problem;
    }
    for (size_t i = 0; i < image.faults.size(); ++i) {
        if (std::wstring problem = InRecord(L"fault", i, FaultProblem(image.faults[i])); !problem.empty())
            return problem;
    }
    for (size_t i = 0; i < image.restartRules.size(); ++i) {
        if (std::wstring problem = InRecord(L"rule", i, RestartRuleProblem(image.restartRules[i])); !problem.empty())
            return problem;
    }
    return CapsuleProblem(image.capsule);
}

std::wstring StoreFileSizeProblem(uint64_t bytes)
{
    if (bytes > STORE_MAX_FILE_BYTES)
        return L"a file of " + std::to_wstring(bytes) + L" bytes is larger than any store (at most " +
               std::to_wstring(STORE_MAX_FILE_BYTES) + L" bytes)";
    return {};
}

} // namespace fwstore
