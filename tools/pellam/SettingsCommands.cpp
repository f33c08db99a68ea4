#include "SettingsCommands.h"

#include "Json.h"
#include "PellamRun.h"
#include "PellamShared.h"

#include "Console.h"
#include "ExitCodes.h"
#include "Owners.h"

#include "config/SMBIOSTable.h"
#include "frame/ResultCodes.h"
#include "toolkit/ToolkitInternal.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellam {

namespace {

using cli::Arguments;
using cli::EXIT_FAILED;
using cli::EXIT_OK;
using cli::EXIT_USAGE;

constexpr ULONG kSmbiosBit = 2, kTokensBit = 16;

// ---- what the board holds ----

struct Choice {
    LONG value = 0;
    std::wstring text; // empty: the firmware gives the value no text
};

struct Token {
    ComPtr<ITokenConfigData> item;
    unsigned uqi = 0;
    std::wstring name;
    std::wstring description;
    EConfigType type = EConfigType_Integer;
    std::vector<LONG> value;        // one number, or the entries of an ordered list
    std::vector<LONG> defaultValue; // the same for the manufacturing default
    std::vector<Choice> choices;    // a choice's or an ordered list's options
    LONG minimum = 0, maximum = 0, step = 0;
    bool locked = false, hidden = false, lockable = false, hideable = false, applicable = true;
};

struct SmbiosString {
    ComPtr<IConfigData> item;
    std::wstring key;  // "SMBIOS.values.SystemProduct"
    std::wstring name; // "Product Name"
    std::wstring value;
};

struct Board {
    std::vector<Token> tokens;
    std::vector<SmbiosString> smbios;
};

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring Hex4(unsigned value)
{
    wchar_t text[8];
    swprintf(text, 8, L"%04X", value & 0xFFFF);
    return text;
}

std::wstring JsonBool(bool value)
{
    return value ? L"true" : L"false";
}

// A whole number as written on the command line: decimal, or hexadecimal after 0x.
std::optional<LONG> ParseNumber(const std::wstring& text)
{
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    const std::wstring digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.find_first_not_of(hex ? L"0123456789abcdefABCDEF" : L"-0123456789") !=
                              std::wstring::npos) {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    errno = 0;
    const long long number = wcstoll(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != L'\0' || errno == ERANGE || number < LONG_MIN || number > LONG_MAX) {
        return std::nullopt;
    }
    return static_cast<LONG>(number);
}

// A UQI as given on the command line: one to four hexadecimal digits, with or without 0x.
std::optional<unsigned> ParseUqi(const std::wstring& text)
{
    const std::wstring digits =
        text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos) {
        return std::nullopt;
    }
    return static_cast<unsigned>(wcstoul(digits.c_str(), nullptr, 16));
}

// The whole numbers a value holds: a check box's 0 or 1, a number, or an ordered list's
// entries.
bool Numbers(const VARIANT& value, std::vector<LONG>& numbers)
{
    numbers.clear();
    if (V_VT(&value) == VT_BOOL) {
        numbers.push_back(V_BOOL(&value) != VARIANT_FALSE ? 1 : 0);
        return true;
    }
    if (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) {
        ComPtr<IVariantCollection> list;
        LONG count = 0;
        if (!V_UNKNOWN(&value) ||
            FAILED(V_UNKNOWN(&value)->QueryInterface(IID_IVariantCollection, reinterpret_cast<void**>(list.GetAddressOf()))) ||
            FAILED(list->get_Count(&count))) {
            return false;
        }
        for (LONG i = 1; i <= count; ++i) {
            UniqueVariant entry, number;
            if (FAILED(list->get_Item(i, entry.put())) ||
                FAILED(::VariantChangeType(number.put(), entry.get(), 0, VT_I4))) {
                return false;
            }
            numbers.push_back(V_I4(number.get()));
        }
        return true;
    }
    UniqueVariant number;
    if (FAILED(::VariantChangeType(number.put(), const_cast<VARIANT*>(&value), 0, VT_I4))) {
        return false;
    }
    numbers.push_back(V_I4(number.get()));
    return true;
}

// The choices of a choice or an ordered list with their texts, each value once.
HRESULT ReadChoices(ITokenConfigData& item, std::vector<Choice>& choices)
{
    ComPtr<IVariantCollection> collection;
    LONG count = 0;
    HRESULT hr = item.get_ChoiceCollection(&collection);
    if (FAILED(hr) || !collection || FAILED(hr = collection->get_Count(&count))) {
        return FAILED(hr) ? hr : E_POINTER;
    }
    for (LONG i = 1; i <= count; ++i) {
        UniqueVariant entry, number;
        if (FAILED(hr = collection->get_Item(i, entry.put())) ||
            FAILED(hr = ::VariantChangeType(number.put(), entry.get(), 0, VT_I4))) {
            return hr;
        }
        const LONG value = V_I4(number.get());
        bool known = false;
        for (const Choice& choice : choices) {
            known = known || choice.value == value;
        }
        if (known) {
            continue;
        }
        UniqueBstr text;
        // A value without a text (an empty slot of an ordered list) has none to give.
        choices.push_back({value, SUCCEEDED(item.GetStringForValue(value, text.put())) ? text.c_str() : L""});
    }
    return S_OK;
}

const wchar_t* KindName(EConfigType type)
{
    switch (type) {
    case EConfigType_Choice: return L"choice";
    case EConfigType_Bool: return L"check box";
    case EConfigType_Integer: return L"number";
    case EConfigType_OrderedList: return L"ordered list";
    default: return L"other";
    }
}

// The kind as the JSON document names it.
const wchar_t* KindKey(EConfigType type)
{
    switch (type) {
    case EConfigType_Choice: return L"choice";
    case EConfigType_Bool: return L"checkbox";
    case EConfigType_Integer: return L"number";
    case EConfigType_OrderedList: return L"orderedList";
    default: return L"other";
    }
}

// A value with its text, as the install plan writes it: "1 (Enabled)"; a check box's "1 (on)".
std::wstring NumberText(const Token& token, LONG value)
{
    std::wstring text = std::to_wstring(value);
    if (token.type == EConfigType_Bool) {
        return text + (value ? L" (on)" : L" (off)");
    }
    for (const Choice& choice : token.choices) {
        if (choice.value == value && !choice.text.empty()) {
            return text + L" (" + choice.text + L")";
        }
    }
    return text;
}

std::wstring ValuesText(const Token& token, const std::vector<LONG>& values)
{
    std::wstring text;
    for (LONG value : values) {
        text += (text.empty() ? L"" : L", ") + NumberText(token, value);
    }
    return text;
}

// What the token takes, for the listing and for a refusal.
std::wstring AllowedText(const Token& token)
{
    switch (token.type) {
    case EConfigType_Bool:
        return L"0 or 1 (also true, false, on, off)";
    case EConfigType_Integer:
        return std::to_wstring(token.minimum) + L" to " + std::to_wstring(token.maximum) +
               (token.step > 1 ? L" in steps of " + std::to_wstring(token.step) : L"");
    default: {
        std::wstring text;
        for (const Choice& choice : token.choices) {
            if (!choice.text.empty()) {
                text += (text.empty() ? L"" : L", ") + std::to_wstring(choice.value) + L" (" + choice.text + L")";
            }
        }
        return text;
    }
    }
}

// A flag of the token: `read` is one of its property getters.
bool ReadFlag(ITokenConfigData& item, HRESULT (STDMETHODCALLTYPE ITokenConfigData::*read)(VARIANT_BOOL*), bool& out)
{
    VARIANT_BOOL flag = VARIANT_FALSE;
    const HRESULT hr = (item.*read)(&flag);
    out = flag != VARIANT_FALSE;
    return SUCCEEDED(hr);
}

// One token's value, default, choices or limits and flags, as the item gives them.
bool ReadToken(PellamRun& run, ComPtr<ITokenConfigData> item, Token& token)
{
    token.item = item;
    UniqueBstr name, description;
    UniqueVariant value, defaultValue;
    VARIANT_BOOL applicable = VARIANT_TRUE;
    if (!run.Check(item->get_Name(name.put()), L"reading a token's name")) {
        return false;
    }
    token.name = name.c_str();
    const std::wstring what = L"reading the token \"" + token.name + L"\"";
    if (!run.Check(item->get_Description(description.put()), what) || !run.Check(item->get_type(&token.type), what) ||
        !run.Check(item->get_Value(value.put()), what) || !run.Check(item->get_DefaultValue(defaultValue.put()), what) ||
        !ReadFlag(*item.Get(), &ITokenConfigData::get_Locked, token.locked) ||
        !ReadFlag(*item.Get(), &ITokenConfigData::get_Hidden, token.hidden) ||
        !ReadFlag(*item.Get(), &ITokenConfigData::get_IsLockable, token.lockable) ||
        !ReadFlag(*item.Get(), &ITokenConfigData::get_IsHideable, token.hideable)) {
        return run.Check(E_FAIL, what);
    }
    // Worked out by the server once per item, with the firmware library it holds.
    if (!run.Check(item->get_IsApplicable(&applicable), what + L"'s applicability")) {
        return false;
    }
    token.applicable = applicable != VARIANT_FALSE;
    token.description = description.c_str();
    if (!Numbers(*value.get(), token.value) || !Numbers(*defaultValue.get(), token.defaultValue)) {
        return run.Check(E_UNEXPECTED, what + L"'s value");
    }
    if (token.type == EConfigType_Choice || token.type == EConfigType_OrderedList) {
        if (!run.Check(ReadChoices(*item.Get(), token.choices), what + L"'s choices")) {
            return false;
        }
    }
    if (token.type == EConfigType_Integer) {
        if (!run.Check(item->get_Minimum(&token.minimum), what) || !run.Check(item->get_Maximum(&token.maximum), what) ||
            !run.Check(item->get_Increment(&token.step), what)) {
            return false;
        }
    }
    return true;
}

// The UQIs of the tokens, in the order of the configuration: the published interface gives
// an item no UQI, but the install plan names each token item by it, in the same order, and
// plans without writing.
bool TokenUqis(PellamRun& run, std::vector<Token>& tokens)
{
    std::wstring text;
    if (!run.Plan(kTokensBit, text)) {
        return false;
    }
    const std::optional<JsonValue> plan = ParseJson(text);
    if (!plan) {
        return run.Check(E_UNEXPECTED, L"reading the tokens' UQIs");
    }
    size_t index = 0;
    for (const JsonValue& item : (*plan)[L"items"].elements) {
        if (static_cast<ULONG>(item[L"component"].number) != kTokensBit) {
            continue;
        }
        if (index >= tokens.size() || item[L"name"].text != tokens[index].name) {
            break;
        }
        tokens[index++].uqi = static_cast<unsigned>(wcstoul(item[L"key"].text.c_str(), nullptr, 16));
    }
    if (index != tokens.size()) {
        return run.Check(E_UNEXPECTED, L"matching the tokens with their UQIs");
    }
    return true;
}

bool ReadTokens(PellamRun& run, Board& board)
{
    ComPtr<IConfigGroup> group;
    ComPtr<IConfigDataCollection> data;
    LONG count = 0;
    if (!run.Check(run.Toolkit()->GetConfigGroup(EConfigGroup_Tokens, &group), L"finding the tokens")) {
        return false;
    }
    if (!group) {
        return true; // a board without setup tokens
    }
    if (!run.Check(group->get_DataCollection(&data), L"reading the tokens") ||
        !run.Check(data->get_Count(&count), L"reading the tokens")) {
        return false;
    }
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IConfigData> item;
        ComPtr<ITokenConfigData> token;
        if (!run.Check(data->get_Item(i, &item), L"reading the tokens") ||
            !run.Check(item.As(&token), L"reading the tokens")) {
            return false;
        }
        board.tokens.emplace_back();
        if (!ReadToken(run, token, board.tokens.back())) {
            return false;
        }
    }
    return board.tokens.empty() || TokenUqis(run, board.tokens);
}

// The SMBIOS strings: the server reads them in the order of its table of rows.
bool ReadSmbios(PellamRun& run, Board& board)
{
    ComPtr<IConfigGroup> group;
    ComPtr<IConfigDataCollection> data;
    LONG count = 0;
    if (!run.Check(run.Toolkit()->GetConfigGroup(EConfigGroup_SMBIOS, &group), L"finding the SMBIOS strings")) {
        return false;
    }
    if (!group) {
        return true;
    }
    if (!run.Check(group->get_DataCollection(&data), L"reading the SMBIOS strings") ||
        !run.Check(data->get_Count(&count), L"reading the SMBIOS strings")) {
        return false;
    }
    if (static_cast<size_t>(count) != kSMBIOSRows.size()) {
        return run.Check(E_UNEXPECTED, L"reading the SMBIOS strings (" + std::to_wstring(count) + L" of " +
                                           std::to_wstring(kSMBIOSRows.size()) + L")");
    }
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IConfigData> item;
        UniqueBstr name;
        UniqueVariant value, text;
        if (!run.Check(data->get_Item(i, &item), L"reading the SMBIOS strings") ||
            !run.Check(item->get_Name(name.put()), L"reading the SMBIOS strings") ||
            !run.Check(item->get_Value(value.put()), L"reading the SMBIOS strings") ||
            !run.Check(::VariantChangeType(text.put(), value.get(), 0, VT_BSTR), L"reading the SMBIOS strings")) {
            return false;
        }
        const BSTR chars = V_BSTR(text.get());
        board.smbios.push_back({item, SMBIOSDataID(kSMBIOSRows[static_cast<size_t>(i - 1)]), name.c_str(),
                                std::wstring(chars ? chars : L"", chars ? ::SysStringLen(chars) : 0)});
    }
    return true;
}

bool ReadBoard(PellamRun& run, ULONG mask, Board& board)
{
    return run.Check(run.Toolkit()->LoadConfigFromSystem(mask), L"reading the board") &&
           (!(mask & kTokensBit) || ReadTokens(run, board)) && (!(mask & kSmbiosBit) || ReadSmbios(run, board));
}

bool IsSmbiosKey(const std::wstring& text)
{
    const std::wstring section = std::wstring(kSMBIOSSection) + L".";
    return text.size() > section.size() && SameText(text.substr(0, section.size()), section);
}

// What a name on the command line means: the SMBIOS string of that key, or the tokens of
// that UQI or name (a UQI first; a name may be shared).
struct Match {
    std::vector<Token*> tokens;
    SmbiosString* smbios = nullptr;
    bool Empty() const { return tokens.empty() && !smbios; }
};

Match Find(Board& board, const std::wstring& name)
{
    Match match;
    if (IsSmbiosKey(name)) {
        for (SmbiosString& string : board.smbios) {
            if (SameText(string.key, name)) {
                match.smbios = &string;
            }
        }
        return match;
    }
    const std::optional<unsigned> uqi = ParseUqi(name);
    for (Token& token : board.tokens) {
        if (uqi && token.uqi == *uqi) {
            match.tokens.push_back(&token);
        }
    }
    if (!match.tokens.empty()) {
        return match;
    }
    for (Token& token : board.tokens) {
        if (SameText(token.name, name)) {
            match.tokens.push_back(&token);
        }
    }
    return match;
}

// ---- settings ----

std::wstring JsonNumbers(const Token& token, const std::vector<LONG>& values)
{
    if (token.type != EConfigType_OrderedList) {
        return values.empty() ? L"null" : std::to_wstring(values.front());
    }
    std::wstring json = L"[";
    for (size_t i = 0; i < values.size(); ++i) {
        json += (i ? L"," : L"") + std::to_wstring(values[i]);
    }
    return json + L"]";
}

std::wstring TokenJson(const Token& token)
{
    std::wstring choices = L"[";
    for (const Choice& choice : token.choices) {
        if (!choice.text.empty()) {
            choices += std::wstring(choices.size() > 1 ? L"," : L"") + L"{\"value\":" + std::to_wstring(choice.value) +
                       L",\"text\":" + JsonString(choice.text) + L"}";
        }
    }
    choices += L"]";
    const bool number = token.type == EConfigType_Integer;
    return L"{\"uqi\":" + JsonString(Hex4(token.uqi)) + L",\"name\":" + JsonString(token.name) + L",\"description\":" +
           JsonString(token.description) + L",\"kind\":" + JsonString(KindKey(token.type)) + L",\"value\":" +
           JsonNumbers(token, token.value) + L",\"valueText\":" + JsonString(ValuesText(token, token.value)) +
           L",\"default\":" + JsonNumbers(token, token.defaultValue) + L",\"defaultText\":" +
           JsonString(ValuesText(token, token.defaultValue)) + L",\"choices\":" + choices + L",\"minimum\":" +
           (number ? std::to_wstring(token.minimum) : L"null") + L",\"maximum\":" +
           (number ? std::to_wstring(token.maximum) : L"null") + L",\"step\":" +
           (number ? std::to_wstring(token.step) : L"null") + L",\"locked\":" + JsonBool(token.locked) +
           L",\"hidden\":" + JsonBool(token.hidden) + L",\"lockable\":" + JsonBool(token.lockable) +
           L",\"hideable\":" + JsonBool(token.hideable) + L",\"applicable\":" + JsonBool(token.applicable) + L"}";
}

void SayToken(PellamRun& run, const Token& token)
{
    run.Say(L"  " + Hex4(token.uqi) + L"  " + token.name);
    std::wstring line = std::wstring(KindName(token.type)) + L": " + ValuesText(token, token.value) + L"; default " +
                        ValuesText(token, token.defaultValue);
    if (token.type == EConfigType_Integer) {
        line += L"; " + AllowedText(token);
    }
    line += token.locked ? L"; locked" : L"";
    line += token.hidden ? L"; hidden" : L"";
    line += token.applicable ? L"" : L"; not applicable";
    run.Say(L"        " + line);
    if (token.type == EConfigType_Choice || token.type == EConfigType_OrderedList) {
        run.Say(L"        choices: " + AllowedText(token));
    }
}

// ---- set ----

struct Assignment {
    std::wstring name; // as the command line gives them
    std::wstring text;
    Token* token = nullptr;
    SmbiosString* smbios = nullptr;
    ULONG component = 0;
    std::wstring key; // as the plan names the item: a UQI's four digits, an SMBIOS key
    LONG number = 0;  // a token's new value
};

std::wstring TokenLabel(const Token& token)
{
    return L"\"" + token.name + L"\" (" + Hex4(token.uqi) + L")";
}

// The number a token is set to from the text given, or null with the problem.
std::optional<LONG> TokenValue(const Token& token, const std::wstring& text, std::wstring& problem)
{
    const std::optional<LONG> number = ParseNumber(text);
    switch (token.type) {
    case EConfigType_Bool: {
        static const std::pair<const wchar_t*, LONG> words[] = {{L"0", 0}, {L"1", 1}, {L"false", 0}, {L"true", 1},
                                                                 {L"off", 0}, {L"on", 1}};
        for (const auto& [word, value] : words) {
            if (SameText(text, word)) {
                return value;
            }
        }
        break;
    }
    case EConfigType_Integer:
        if (number && *number >= token.minimum && *number <= token.maximum &&
            (token.step <= 1 || (*number - token.minimum) % token.step == 0)) {
            return number;
        }
        break;
    case EConfigType_Choice:
        // A choice's text first, in any case, then its number.
        for (const Choice& choice : token.choices) {
            if (!choice.text.empty() && SameText(choice.text, text)) {
                return choice.value;
            }
        }
        for (const Choice& choice : token.choices) {
            if (number && choice.value == *number && !choice.text.empty()) {
                return number;
            }
        }
        break;
    case EConfigType_OrderedList:
        problem = TokenLabel(token) + L" is an ordered list, which set does not change (extract the board, edit "
                                      L"the list in the file and install it); nothing written";
        return std::nullopt;
    default:
        problem = TokenLabel(token) + L" cannot be set; nothing written";
        return std::nullopt;
    }
    problem = TokenLabel(token) + L" does not take \"" + text + L"\": it takes " + AllowedText(token) +
              L"; nothing written";
    return std::nullopt;
}

// The setting the name means and the value it gets, checked against what it takes.
bool Resolve(Board& board, Assignment& assignment, std::wstring& problem)
{
    const Match match = Find(board, assignment.name);
    if (match.Empty()) {
        problem = L"no setting of this board is named \"" + assignment.name +
                  L"\" (a token's name or UQI, or an SMBIOS key such as SMBIOS.values.SystemProduct); nothing written";
        return false;
    }
    if (match.smbios) {
        assignment.smbios = match.smbios;
        assignment.component = kSmbiosBit;
        assignment.key = match.smbios->key;
        return true;
    }
    if (match.tokens.size() > 1) {
        problem = L"\"" + assignment.name + L"\" names " + std::to_wstring(match.tokens.size()) + L" tokens (";
        for (size_t i = 0; i < match.tokens.size(); ++i) {
            problem += (i ? L", " : L"") + Hex4(match.tokens[i]->uqi);
        }
        problem += L"): name one by its UQI; nothing written";
        return false;
    }
    assignment.token = match.tokens.front();
    assignment.component = kTokensBit;
    assignment.key = Hex4(assignment.token->uqi);
    const std::optional<LONG> value = TokenValue(*assignment.token, assignment.text, problem);
    if (!value) {
        return false;
    }
    assignment.number = *value;
    return true;
}

// The server's description of the failure that the calling thread's error object holds.
std::wstring ErrorDescription(HRESULT hr)
{
    ComPtr<IErrorInfo> info;
    UniqueBstr description;
    if (::GetErrorInfo(0, &info) == S_OK && info && SUCCEEDED(info->GetDescription(description.put())) &&
        description.length() > 0) {
        return description.c_str();
    }
    return ResultText(hr);
}

// The value into the configuration's item; the item checks it once more.
bool Assign(Assignment& assignment, std::wstring& problem)
{
    UniqueVariant value;
    IConfigData* item = nullptr;
    if (assignment.smbios) {
        item = assignment.smbios->item.Get();
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = ::SysAllocStringLen(assignment.text.data(), static_cast<UINT>(assignment.text.size()));
    } else if (assignment.token->type == EConfigType_Bool) {
        item = assignment.token->item.Get();
        V_VT(value.get()) = VT_BOOL;
        V_BOOL(value.get()) = assignment.number ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
        item = assignment.token->item.Get();
        V_VT(value.get()) = VT_I4;
        V_I4(value.get()) = assignment.number;
    }
    const HRESULT hr = item->put_Value(*value.get());
    if (FAILED(hr)) {
        problem = (assignment.smbios ? assignment.smbios->key : TokenLabel(*assignment.token)) + L" does not take \"" +
                  assignment.text + L"\": " + ErrorDescription(hr) + L" (" + ResultText(hr) + L"); nothing written";
        return false;
    }
    return true;
}

std::wstring AssignmentJson(const Assignment& assignment)
{
    const std::wstring value = assignment.smbios ? JsonString(assignment.text) : std::to_wstring(assignment.number);
    const std::wstring text = assignment.smbios ? assignment.text : NumberText(*assignment.token, assignment.number);
    return L"{\"component\":" + std::to_wstring(assignment.component) + L",\"key\":" + JsonString(assignment.key) +
           L",\"name\":" + JsonString(assignment.smbios ? assignment.smbios->name : assignment.token->name) +
           L",\"value\":" + value + L",\"valueText\":" + JsonString(text) + L"}";
}

const Assignment* Named(const std::vector<Assignment>& assignments, ULONG component, const std::wstring& key)
{
    for (const Assignment& assignment : assignments) {
        if (assignment.component == component && SameText(assignment.key, key)) {
            return &assignment;
        }
    }
    return nullptr;
}

// Nothing but the named settings may change: each named one is in the plan and not
// skipped, and no other item changes, nor another SMBIOS string's variable is written.
bool PlanWritesOnlyNamed(const JsonValue& plan, const std::vector<Assignment>& assignments, std::wstring& problem)
{
    size_t found = 0;
    for (const JsonValue& item : plan[L"items"].elements) {
        const ULONG component = static_cast<ULONG>(item[L"component"].number);
        const std::wstring& key = item[L"key"].text;
        const Assignment* named = Named(assignments, component, key);
        if (named && !item[L"skipped"].text.empty()) {
            problem = L"the board does not take " + key + L" \"" + item[L"name"].text + L"\" = " + named->text +
                      L": " + item[L"skipped"].text;
            return false;
        }
        if (!named && item[L"changes"].IsTrue()) {
            problem = L"the install would also change " + key + L" \"" + item[L"name"].text + L"\" (" +
                      item[L"before"].text + L" -> " + item[L"after"].text + L")";
            return false;
        }
        found += named ? 1 : 0;
    }
    if (found != assignments.size()) {
        problem = L"the install plan does not hold every setting named";
        return false;
    }
    for (const SMBIOSRow& row : kSMBIOSRows) {
        if (Named(assignments, kSmbiosBit, SMBIOSDataID(row))) {
            continue;
        }
        for (const JsonValue& variable : plan[L"variables"].elements) {
            if (variable[L"written"].IsTrue() && variable[L"name"].text == row.writtenVariable) {
                problem = L"the install would also write the variable \"" + variable[L"name"].text + L"\" of " +
                          SMBIOSDataID(row);
                return false;
            }
        }
    }
    return true;
}

// The keyword of an SMBIOS string that the assignments name ("SystemProduct").
bool StringNamed(const std::vector<Assignment>& assignments, const std::wstring& keyword)
{
    return Named(assignments, kSmbiosBit, std::wstring(kSMBIOSSection) + L"." + keyword) != nullptr;
}

// A file of this process in the temporary folder, removed when it goes.
class TemporaryFile {
public:
    TemporaryFile()
    {
        wchar_t folder[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
        m_path = std::wstring(folder, length <= MAX_PATH ? length : 0) + L"pellam-set-" +
                 std::to_wstring(::GetCurrentProcessId()) + L".ini";
    }
    ~TemporaryFile() { ::DeleteFileW(m_path.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

bool ReadBytes(const std::wstring& path, std::string& bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool SameAscii(const std::string& a, const std::wstring& b)
{
    return SameText(std::wstring(a.begin(), a.end()), b);
}

// The file's SMBIOS strings that are not named taken out (keywords and section names are
// ASCII; every other byte stays as the server wrote it).
bool LeaveOutStrings(const std::wstring& path, const std::vector<Assignment>& assignments)
{
    std::string text, kept;
    if (!ReadBytes(path, text)) {
        return false;
    }
    bool inSmbios = false;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, next - start);
        const std::string trimmed = Trimmed(line);
        bool keep = true;
        if (!trimmed.empty() && trimmed[0] == '[') {
            const size_t close = trimmed.find(']');
            inSmbios = close != std::string::npos && SameAscii(trimmed.substr(1, close - 1), kSMBIOSSection);
        } else if (inSmbios && !trimmed.empty() && trimmed[0] != ';') {
            const size_t equals = trimmed.find('=');
            const std::string keyword = Trimmed(trimmed.substr(0, equals));
            keep = equals == std::string::npos || StringNamed(assignments, std::wstring(keyword.begin(), keyword.end()));
        }
        if (keep) {
            kept += line;
        }
        start = next;
    }
    return WriteBytes(path, kept);
}

// An install of the SMBIOS component writes each string of the configuration, and the
// server may keep a string in a variable of its own besides the one it reads (the chassis
// serial number and asset tag): installing a string read from the board unchanged can still
// create that variable. The configuration therefore goes through an INI file of the server's
// own writing, with the values assigned, from which the strings not named are left out;
// loaded again it holds only the named strings (and the tokens, written back unchanged). The
// strings the file then lacks are reported as missing (OnINIMissingValue): those reports are
// this command's own doing and are not shown.
bool KeepOnlyNamedStrings(PellamRun& run, ULONG mask, const std::vector<Assignment>& assignments)
{
    const TemporaryFile file;
    const UniqueBstr path = UniqueBstr::From(file.Path().c_str());
    if (!run.Check(run.Toolkit()->WriteINIFile(path.get(), mask), L"writing the settings into " + file.Path()) ||
        !run.Check(run.Toolkit()->Reset(), L"resetting the toolkit")) {
        return false;
    }
    if (!LeaveOutStrings(file.Path(), assignments)) {
        return run.Check(E_FAIL, L"leaving the other SMBIOS strings out of " + file.Path());
    }
    const size_t warnings = run.Events().WarningCount();
    run.ExpectEvents([&assignments](const RecordedToolkitEvent& event) {
        return event.name == L"OnINIMissingValue" && event.arguments.size() >= 2 &&
               SameText(event.arguments[0], kSMBIOSSection) && !StringNamed(assignments, event.arguments[1]);
    });
    HRESULT hr = run.Toolkit()->LoadINIFile(path.get(), mask);
    run.ExpectEvents(nullptr);
    if (hr == ResultCode::S_WARNINGS && run.Events().WarningCount() == warnings) {
        hr = S_OK; // the warnings were those of the strings left out
    }
    return run.Check(hr, L"loading the settings again from " + file.Path());
}

} // namespace

bool ReadTokenApplicability(PellamRun& run, std::map<unsigned, bool>& applicable)
{
    Board board;
    if (!run.Check(run.Toolkit()->LoadConfigFromSystem(kTokensBit), L"reading the board's tokens") ||
        !ReadTokens(run, board)) {
        return false;
    }
    for (const Token& token : board.tokens) {
        applicable[token.uqi] = applicable[token.uqi] || token.applicable;
    }
    return run.Check(run.Toolkit()->Reset(), L"resetting the toolkit after reading the tokens");
}

int Settings(const Arguments& arguments)
{
    std::wstring problem;
    auto command = SplitCommand(arguments, {}, {}, problem);
    if (!command) {
        return UsageError(problem);
    }
    PellamRun run(L"settings", command->options);
    Board board;
    if (!run.Open() || !ReadBoard(run, kTokensBit | kSmbiosBit, board)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    // Which ones to show: all, or those the arguments name, in the board's order.
    std::vector<bool> tokenShown(board.tokens.size(), command->line.positional.empty());
    std::vector<bool> smbiosShown(board.smbios.size(), command->line.positional.empty());
    for (const std::wstring& name : command->line.positional) {
        const Match match = Find(board, name);
        if (match.Empty()) {
            return run.Fail(L"no setting of this board is named \"" + name +
                                L"\" (a token's name or UQI, or an SMBIOS key such as SMBIOS.values.SystemProduct)",
                            EXIT_USAGE);
        }
        for (const Token* token : match.tokens) {
            tokenShown[static_cast<size_t>(token - board.tokens.data())] = true;
        }
        if (match.smbios) {
            smbiosShown[static_cast<size_t>(match.smbios - board.smbios.data())] = true;
        }
    }
    std::wstring tokens = L"[", smbios = L"[";
    size_t tokenCount = 0, smbiosCount = 0;
    for (size_t i = 0; i < board.tokens.size(); ++i) {
        if (tokenShown[i]) {
            if (tokenCount++ == 0) {
                run.Say(L"Tokens:");
            }
            SayToken(run, board.tokens[i]);
            tokens += (tokens.size() > 1 ? L"," : L"") + TokenJson(board.tokens[i]);
        }
    }
    for (size_t i = 0; i < board.smbios.size(); ++i) {
        if (smbiosShown[i]) {
            const SmbiosString& string = board.smbios[i];
            if (smbiosCount++ == 0) {
                run.Say(L"SMBIOS strings:");
            }
            run.Say(L"  " + string.key + L" (" + string.name + L"): " + string.value);
            smbios += (smbios.size() > 1 ? L"," : L"") + std::wstring(L"{\"key\":") + JsonString(string.key) +
                      L",\"name\":" + JsonString(string.name) + L",\"value\":" + JsonString(string.value) + L"}";
        }
    }
    run.AddData(L"tokens", tokens + L"]");
    run.AddData(L"smbios", smbios + L"]");
    const bool all = command->line.positional.empty();
    return run.Finish(EXIT_OK, L"settings: " +
                                   (all ? std::to_wstring(tokenCount)
                                        : std::to_wstring(tokenCount) + L" of " + std::to_wstring(board.tokens.size())) +
                                   L" tokens, " +
                                   (all ? std::to_wstring(smbiosCount)
                                        : std::to_wstring(smbiosCount) + L" of " + std::to_wstring(board.smbios.size())) +
                                   L" SMBIOS strings");
}

int Set(const Arguments& arguments)
{
    std::wstring problem;
    auto command = SplitCommand(arguments, {}, {L"--strict"}, problem);
    if (!command) {
        return UsageError(problem);
    }
    if (command->line.positional.empty()) {
        return UsageError(L"set takes one or more NAME=VALUE (a token's name or UQI, or an SMBIOS key)");
    }
    std::vector<Assignment> assignments;
    ULONG readMask = kTokensBit;
    for (const std::wstring& argument : command->line.positional) {
        const size_t equals = argument.find(L'=');
        if (equals == std::wstring::npos || equals == 0) {
            return UsageError(L"set takes NAME=VALUE, not \"" + argument + L"\"");
        }
        assignments.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
        readMask |= IsSmbiosKey(assignments.back().name) ? kSmbiosBit : 0;
    }
    PellamRun run(L"set", command->options);
    Board board;
    if (!run.Open() || !ReadBoard(run, readMask, board)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    // Every value is checked before any is assigned or written.
    ULONG mask = 0;
    for (Assignment& assignment : assignments) {
        if (!Resolve(board, assignment, problem)) {
            return run.Fail(problem, EXIT_USAGE);
        }
        for (const Assignment& other : assignments) {
            if (&other != &assignment && other.key == assignment.key && !other.key.empty()) {
                return run.Fail(assignment.key + L" is named twice; nothing written", EXIT_USAGE);
            }
        }
        mask |= assignment.component;
    }
    std::wstring list;
    for (Assignment& assignment : assignments) {
        if (!Assign(assignment, problem)) {
            return run.Fail(problem, EXIT_USAGE);
        }
        list += (list.empty() ? L"" : L",") + AssignmentJson(assignment);
    }
    run.AddData(L"assignments", L"[" + list + L"]");
    std::optional<JsonValue> plan;
    if (((mask & kSmbiosBit) && !KeepOnlyNamedStrings(run, mask, assignments)) || !PlanLoaded(run, mask, plan)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    if (!PlanWritesOnlyNamed(*plan, assignments, problem)) {
        return run.Fail(problem + L"; nothing written", EXIT_FAILED);
    }
    // The record in the history of changes says "set", not the install that carries it out.
    ComPtr<IToolkitInternal> internal;
    UniqueBstr operation = UniqueBstr::From(L"set");
    if (!run.Check(run.Toolkit()->QueryInterface(IID_PPV_ARGS(&internal)), L"asking for the toolkit's internal interface") ||
        !run.Check(internal->SetHistoryOperation(operation.get()), L"naming the change")) {
        return run.Finish(EXIT_FAILED, L"");
    }
    return InstallPlanned(run, L"set", mask, *plan, command->line.Has(L"--strict"), L"installing the settings");
}

} // namespace pellam
