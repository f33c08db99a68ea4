#include "InstallPlanJson.h"

#include "config/ComponentMask.h"
#include "system/VariableMerge.h"

#include "JsonText.h"

#include <cwchar>

namespace {

std::wstring Hex(const std::vector<BYTE>& bytes, size_t offset, size_t length)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    for (size_t i = offset; i < offset + length && i < bytes.size(); ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(guid.Data1),
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                  guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::wstring Item(const PlannedItem& item, const InstallPlan& plan)
{
    const bool changes = PlannedItemChanges(item, plan);
    return L"{\"component\":" + std::to_wstring(item.component) + L",\"key\":" + JsonString(item.key) +
           L",\"name\":" + JsonString(item.name) + L",\"before\":" + JsonString(item.before) + L",\"after\":" +
           JsonString(item.after) + L",\"changes\":" + (changes ? L"true" : L"false") + L",\"skipped\":" +
           JsonString(item.skipped) + L"}";
}

std::wstring Variable(const PlannedVariable& variable)
{
    std::wstring ranges;
    if (!variable.passwordKept) {
        for (const variable_merge::ByteRange& range : variable_merge::ChangedRanges(variable.before, variable.after)) {
            ranges += (ranges.empty() ? L"" : L",") + std::wstring(L"{\"offset\":") + std::to_wstring(range.offset) +
                      L",\"before\":" + JsonString(Hex(variable.before, range.offset, range.length)) + L",\"after\":" +
                      JsonString(Hex(variable.after, range.offset, range.length)) + L"}";
        }
    }
    return L"{\"name\":" + JsonString(variable.name) + L",\"guid\":" + JsonString(GuidText(variable.guid)) + L",\"existed\":" +
           (variable.existed ? L"true" : L"false") + L",\"size\":" + std::to_wstring(variable.after.size()) +
           L",\"written\":" + (variable.Changes() ? L"true" : L"false") + L",\"passwordKept\":" +
           (variable.passwordKept ? L"true" : L"false") + L",\"ranges\":[" + ranges + L"]}";
}

std::wstring Event(const PlannedEvent& event)
{
    std::wstring arguments;
    for (const std::wstring& argument : event.arguments) {
        arguments += (arguments.empty() ? L"" : L",") + JsonString(argument);
    }
    return L"{\"name\":" + JsonString(event.name) + L",\"arguments\":[" + arguments + L"]}";
}

template <typename Element, typename Format>
std::wstring List(const std::vector<Element>& elements, Format format)
{
    std::wstring list;
    for (const Element& element : elements) {
        list += (list.empty() ? L"\n    " : L",\n    ") + format(element);
    }
    return L"[" + list + (list.empty() ? L"]" : L"\n  ]");
}

} // namespace

// An image item shows only its size, so whether it changes anything is its variable's answer:
// an image that holds the bytes the board holds writes nothing.
bool PlannedItemChanges(const PlannedItem& item, const InstallPlan& plan)
{
    if (!item.skipped.empty()) {
        return false;
    }
    if (item.component != CComponentMask::kBIOS) {
        return item.before != item.after;
    }
    for (const PlannedVariable& variable : plan.variables) {
        if (variable.name == item.key && variable.Changes()) {
            return true;
        }
    }
    return false;
}

std::wstring InstallPlanJson(const InstallPlan& plan)
{
    wchar_t result[16];
    std::swprintf(result, 16, L"0x%08X", static_cast<unsigned>(plan.result));
    return L"{\n  \"operation\": \"plan\",\n  \"result\": " + JsonString(result) + L",\n  \"items\": " +
           List(plan.items, [&plan](const PlannedItem& item) { return Item(item, plan); }) + L",\n  \"variables\": " + List(plan.variables, Variable) + L",\n  \"events\": " +
           List(plan.events, Event) + L"\n}\n";
}
