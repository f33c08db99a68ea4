#include "EventSink.h"

#include "Console.h"
#include "Owners.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>

namespace {

// The events that tell how an operation goes; every other one reports something the user
// should look at (a value skipped, a file's damage, a component that failed).
bool IsProgress(const std::wstring& name)
{
    static const wchar_t* const progress[] = {L"OnInstallStart", L"OnInstallSuccess", L"OnRemoveStart",
        L"OnRemoveSuccess", L"OnExtractStart", L"OnExtractSuccess", L"OnFlashStart", L"OnFlashSuccess",
        L"OnSMBIOSPrompt"};
    return std::any_of(std::begin(progress), std::end(progress), [&](const wchar_t* n) { return name == n; });
}

std::wstring Hex4(unsigned value)
{
    wchar_t text[8];
    swprintf(text, 8, L"%04X", value & 0xFFFF);
    return text;
}

std::wstring ArgumentText(const VARIANT& argument)
{
    switch (V_VT(&argument)) {
    case VT_BSTR:
        return V_BSTR(&argument) ? V_BSTR(&argument) : L"";
    case VT_BSTR | VT_BYREF:
        return V_BSTRREF(&argument) && *V_BSTRREF(&argument) ? *V_BSTRREF(&argument) : L"";
    case VT_UI2 | VT_BYREF: // a UQI: its first unit, as the INI files write it
        return V_UI2REF(&argument) ? Hex4(*V_UI2REF(&argument)) : L"";
    default:
        break;
    }
    UniqueVariant text;
    if (FAILED(::VariantChangeType(text.get(), const_cast<VARIANT*>(&argument), 0, VT_BSTR))) {
        return L"?";
    }
    return V_BSTR(text.get()) ? V_BSTR(text.get()) : L"";
}

std::wstring ComponentArgument(const std::vector<std::wstring>& arguments)
{
    return arguments.empty() ? L"?" : ComponentName(wcstoul(arguments[0].c_str(), nullptr, 10));
}

std::wstring Argument(const std::vector<std::wstring>& arguments, size_t index)
{
    return index < arguments.size() ? arguments[index] : L"";
}

// The event as a sentence; the ones not listed show their name and arguments.
std::wstring Describe(const std::wstring& name, const std::vector<std::wstring>& arguments)
{
    using Arguments = std::vector<std::wstring>;
    using Describer = std::wstring (*)(const Arguments&);
    static const std::map<std::wstring, Describer> describers = {
        {L"OnInstallStart", [](const Arguments& a) { return L"installing " + ComponentArgument(a) + L"..."; }},
        {L"OnInstallSuccess", [](const Arguments& a) { return L"installed " + ComponentArgument(a); }},
        {L"OnRemoveStart", [](const Arguments& a) { return L"removing " + ComponentArgument(a) + L"..."; }},
        {L"OnRemoveSuccess", [](const Arguments& a) { return L"removed " + ComponentArgument(a); }},
        {L"OnRemoveFail", [](const Arguments& a) { return L"removing " + ComponentArgument(a) + L" failed"; }},
        {L"OnExtractStart", [](const Arguments& a) { return L"reading " + ComponentArgument(a) + L"..."; }},
        {L"OnExtractSuccess", [](const Arguments& a) { return L"read " + ComponentArgument(a); }},
        {L"OnExtractFail", [](const Arguments& a) { return L"reading " + ComponentArgument(a) + L" failed"; }},
        {L"OnComponentRemoved", [](const Arguments& a) { return ComponentArgument(a) + L": nothing to remove"; }},
        {L"OnSMBIOSRemoved",
         [](const Arguments& a) { return L"SMBIOS string " + Argument(a, 0) + L": nothing to remove"; }},
        {L"OnInvalidBoard", [](const Arguments&) { return std::wstring(L"this board is not supported"); }},
        {L"OnInvalidBIOS", [](const Arguments&) { return std::wstring(L"the running BIOS is not supported"); }},
        {L"OnUqiNotOnSystem", [](const Arguments& a) { return L"token " + Argument(a, 0) + L": not on this board"; }},
        {L"OnBadTokenIniValue",
         [](const Arguments& a) { return L"token " + Argument(a, 0) + L" \"" + Argument(a, 1) + L"\": value not allowed"; }},
        {L"OnNoCoolingHardwareFound",
         [](const Arguments&) { return std::wstring(L"cooling: the board has no hardware-monitor chip"); }},
        {L"OnBIOSIDMismatch",
         [](const Arguments& a) { return L"the file is for " + Argument(a, 0) + L", this board runs " + Argument(a, 1); }},
        {L"OnSMBIOSPrompt", [](const Arguments& a) { return L"the file asks: " + Argument(a, 0); }},
        {L"OnFlashStart", [](const Arguments&) { return std::wstring(L"flashing the BIOS..."); }},
        {L"OnFlashSuccess", [](const Arguments&) { return std::wstring(L"the flash succeeded"); }},
        {L"OnPayloadError", [](const Arguments& a) { return L"payload: " + Argument(a, 0); }},
    };
    auto found = describers.find(name);
    if (found != describers.end()) {
        return found->second(arguments);
    }
    std::wstring line = name;
    for (size_t i = 0; i < arguments.size(); ++i) {
        line += (i == 0 ? L": " : L", ") + arguments[i];
    }
    return line;
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
    return text;
}

} // namespace

std::wstring ComponentName(unsigned long bit)
{
    switch (bit) {
    case 1: return L"bios";
    case 2: return L"smbios";
    case 4: return L"cooling";
    case 8: return L"payload";
    case 16: return L"tokens";
    default: return L"component " + std::to_wstring(bit);
    }
}

void PellamEventSink::Configure(IToolkit* toolkit, bool printLines, std::vector<PromptAnswer> answers)
{
    m_printLines = printLines;
    m_answers = std::move(answers);
    ComPtr<ITypeInfo> toolkitInfo;
    ComPtr<ITypeLib> library;
    UINT index = 0;
    if (SUCCEEDED(toolkit->GetTypeInfo(0, 0, &toolkitInfo)) &&
        SUCCEEDED(toolkitInfo->GetContainingTypeLib(&library, &index))) {
        library->GetTypeInfoOfGuid(DIID__IToolkitEvents, &m_events);
    }
}

IFACEMETHODIMP PellamEventSink::GetTypeInfoCount(UINT* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

IFACEMETHODIMP PellamEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

IFACEMETHODIMP PellamEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

std::wstring PellamEventSink::EventName(DISPID id) const
{
    UniqueBstr name;
    UINT count = 0;
    if (m_events && SUCCEEDED(m_events->GetNames(id, name.put(), 1, &count)) && count == 1) {
        return name.c_str();
    }
    return L"event " + std::to_wstring(id);
}

IFACEMETHODIMP PellamEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                       UINT*)
{
    RecordedToolkitEvent event;
    event.name = EventName(id);
    const UINT count = parameters ? parameters->cArgs : 0;
    for (UINT i = count; i > 0; --i) { // handed over last first
        event.arguments.push_back(ArgumentText(parameters->rgvarg[i - 1]));
    }
    event.warning = !IsProgress(event.name);
    if (expected && expected(event)) {
        return S_OK;
    }
    event.line = (event.warning ? L"warning: " : L"") + Describe(event.name, event.arguments);
    if (m_printLines) {
        cli::Print(event.line);
    }
    if (event.name == L"OnSMBIOSPrompt" && !event.arguments.empty()) {
        Answer(event.arguments[0], parameters);
    }
    events.push_back(std::move(event));
    return S_OK;
}

// The first --answer whose key the prompt contains. Without one the response stays empty,
// which the install refuses: no made-up string reaches the firmware.
void PellamEventSink::Answer(const std::wstring& prompt, DISPPARAMS* parameters)
{
    const VARIANT& response = parameters->rgvarg[0];
    if (V_VT(&response) != (VT_BSTR | VT_BYREF) || !V_BSTRREF(&response)) {
        return;
    }
    for (const PromptAnswer& answer : m_answers) {
        if (answer.key == L"*" || Lower(prompt).find(Lower(answer.key)) != std::wstring::npos) {
            ::SysFreeString(*V_BSTRREF(&response));
            *V_BSTRREF(&response) = ::SysAllocString(answer.text.c_str());
            return;
        }
    }
    unanswered.push_back(prompt);
}

size_t PellamEventSink::Count(const wchar_t* name) const
{
    return static_cast<size_t>(
        std::count_if(events.begin(), events.end(), [&](const RecordedToolkitEvent& e) { return e.name == name; }));
}

size_t PellamEventSink::WarningCount() const
{
    return static_cast<size_t>(
        std::count_if(events.begin(), events.end(), [](const RecordedToolkitEvent& e) { return e.warning; }));
}
