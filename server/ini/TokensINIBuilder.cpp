#include "INIBuilder.h"

#include "IniEvents.h"
#include "IniText.h"

#include "config/ConfigGroup.h"
#include "config/TokensSetting.h"
#include "config/VariantCollection.h"
#include "config/VariantValues.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"
#include "Owners.h"

#include <climits>
#include <optional>
#include <unordered_set>
#include <vector>

namespace {

constexpr std::wstring_view kPrefix = L"SETTING_";
// "SETTING_" and one UQI word of four digits: a longer name cannot be written back.
constexpr size_t kMaxSectionName = 13;
// The entries of an ordered list are bytes of one setup variable.
constexpr unsigned kMaxListEntries = 0xFFFF;

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// The UQI of a section name: its words up to the first zero word. False for a text that is
// not a run of four-digit hexadecimal words, or whose first word is zero.
bool ParseUQI(std::wstring_view text, std::wstring& uqi)
{
    if (text.size() % 4 != 0) {
        return false;
    }
    for (size_t at = 0; at < text.size(); at += 4) {
        unsigned word = 0;
        for (size_t i = at; i < at + 4; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) {
                return false;
            }
            word = word * 16 + static_cast<unsigned>(digit);
        }
        if (word == 0) {
            break;
        }
        uqi.push_back(static_cast<wchar_t>(word));
    }
    return !uqi.empty();
}

bool IsPrefixOf(std::wstring_view text, std::wstring_view word)
{
    const std::wstring upper = UpperAscii(text);
    return !upper.empty() && upper.size() <= word.size() && word.substr(0, upper.size()) == upper;
}

// A check box is written as TRUE or FALSE, so a token's value may be one of them.
bool BooleanValue(std::wstring_view text, long* value)
{
    const std::wstring upper = UpperAscii(text);
    if (upper == L"TRUE" || upper == L"FALSE") {
        *value = upper == L"TRUE" ? 1 : 0;
        return true;
    }
    return false;
}

HRESULT InvalidToken(const std::wstring& section, const std::wstring& keyword, const std::wstring& text)
{
    IniEvents::InvalidValue(section, keyword, text);
    return REPORT_FAILURE(L"CTokensINIBuilder::CreateAndPopulateToken", LOG_ERROR, E_FAIL,
                          Describe(MSG_INI_LOAD_ERROR), L"Invalid value %ls of %ls in section %ls", text.c_str(),
                          keyword.c_str(), section.c_str());
}

// One value: S_FALSE when the keyword is missing. `booleanText` tells whether it was
// written as TRUE or FALSE.
HRESULT ReadValue(CPellamParser& parser, const std::wstring& section, const std::wstring& keyword, long* value,
                  bool* booleanText = nullptr)
{
    std::wstring text;
    const HRESULT hr = parser.GetProfileStr(section, keyword, &text, L"");
    if (hr == ResultCode::S_INI_NO_KEYWORD || hr == ResultCode::S_INI_NO_SECTION) {
        return S_FALSE;
    }
    RETURN_IF_FAILED(hr);
    if (BooleanValue(text, value)) {
        if (booleanText) {
            *booleanText = true;
        }
        return S_OK;
    }
    if (!ParseIniLong(text, value)) {
        return InvalidToken(section, keyword, text);
    }
    return S_OK;
}

HRESULT ReadList(CPellamParser& parser, const std::wstring& section, std::vector<long>& values)
{
    for (unsigned number = 1;; ++number) {
        const std::wstring keyword = L"Value" + std::to_wstring(number);
        long value = 0;
        const HRESULT hr = ReadValue(parser, section, keyword, &value);
        RETURN_IF_FAILED(hr);
        if (hr == S_FALSE) {
            return S_OK;
        }
        if (number > kMaxListEntries) {
            return InvalidToken(section, keyword, std::to_wstring(value));
        }
        values.push_back(value);
    }
}

// Lock or Hide: unset (nullopt) when missing, empty or not a form of TRUE or FALSE.
std::optional<bool> ReadFlag(CPellamParser& parser, const std::wstring& section, const wchar_t* keyword)
{
    std::wstring text;
    if (parser.GetProfileStr(section, keyword, &text, L"") != S_OK) {
        return std::nullopt;
    }
    if (IsPrefixOf(text, L"TRUE")) {
        return true;
    }
    if (IsPrefixOf(text, L"FALSE")) {
        return false;
    }
    IniEvents::InvalidValue(section, keyword, text);
    return std::nullopt;
}

// A token read from a file is not yet matched with the firmware, so it takes any number;
// a list takes the values it holds.
HRESULT SetSingleValue(CTokensSetting& token, long number)
{
    token.SetType(EConfigType_Integer);
    RETURN_IF_FAILED(token.SetMinimum(LONG_MIN));
    RETURN_IF_FAILED(token.SetMaximum(LONG_MAX));
    RETURN_IF_FAILED(token.SetDefaultValueForType(EConfigType_Integer));
    return token.put_Value(*IntegerVariant(number).get());
}

HRESULT SetListValue(CTokensSetting& token, const std::vector<long>& values)
{
    token.SetType(EConfigType_OrderedList);
    ComPtr<CVariantCollection> list;
    RETURN_IF_FAILED(CVariantCollection::Make(list));
    std::unordered_set<long> choices;
    for (long number : values) {
        UniqueVariant value = IntegerVariant(number);
        RETURN_IF_FAILED(list->Add(*value.get()));
        if (choices.insert(number).second) {
            RETURN_IF_FAILED(token.AddChoice(*value.get()));
        }
    }
    UniqueVariant value;
    V_VT(value.put()) = VT_DISPATCH;
    RETURN_IF_FAILED(list->QueryInterface(IID_PPV_ARGS(&V_DISPATCH(value.get()))));
    return token.put_Value(*value.get());
}

// The file's description of a token: its comment lines, the first of which holds the
// token's name where this toolkit wrote the file.
TokenFileForm ReadFileForm(CPellamParser& parser, const std::wstring& section, bool booleanText)
{
    TokenFileForm form;
    form.booleanText = booleanText;
    parser.GetSectionComments(section, &form.commentLines);
    return form;
}

std::wstring NameFromComments(const std::vector<std::wstring>& lines)
{
    if (lines.empty()) {
        return L"";
    }
    std::wstring_view text = lines.front();
    const size_t start = text.find_first_not_of(L"; \t");
    if (start == std::wstring_view::npos) {
        return L"";
    }
    text = text.substr(start);
    // A rule line or a line of the limits is no name.
    if (text.front() == L'-' || text.rfind(L"Select ", 0) == 0) {
        return L"";
    }
    return std::wstring(text.substr(0, text.find_last_not_of(L" \t") + 1));
}

// A section that begins with the token prefix in other letter case ([setting_0108]) is not
// read as a token; the user hears that it was ignored.
void ReportIgnoredSection(const std::wstring& section)
{
    ReportDiagnostic(LOG_SITE(L"CTokensINIBuilder::CreateConfigurationTree"), LOG_WARNING,
                     L"The section [%ls] is not read as a token: a token section begins with SETTING_ in capital "
                     L"letters",
                     section.c_str());
    IniEvents::InvalidUQIToken(section);
}

HRESULT ApplyFlags(CPellamParser& parser, const std::wstring& section, CTokensSetting& token)
{
    if (const std::optional<bool> locked = ReadFlag(parser, section, L"Lock")) {
        token.SetLockable(true);
        RETURN_IF_FAILED(token.put_Locked(*locked ? VARIANT_TRUE : VARIANT_FALSE));
    }
    if (const std::optional<bool> hidden = ReadFlag(parser, section, L"Hide")) {
        token.SetHideable(true);
        RETURN_IF_FAILED(token.put_Hidden(*hidden ? VARIANT_TRUE : VARIANT_FALSE));
    }
    return S_OK;
}

} // namespace

HRESULT CTokensINIBuilder::CreateAndPopulateToken(const std::wstring& section, IConfigData** result)
try {
    const std::wstring_view uqiText = std::wstring_view(section).substr(kPrefix.size());
    if (uqiText.size() < 4) {
        ReportDiagnostic(LOG_SITE(L"CTokensINIBuilder::CreateAndPopulateToken"), LOG_WARNING,
                         L"The section %ls names no token", section.c_str());
        return S_FALSE;
    }
    std::wstring uqi;
    if (!ParseUQI(uqiText, uqi)) {
        IniEvents::InvalidUQIToken(section);
        return REPORT_FAILURE(L"CTokensINIBuilder::CreateAndPopulateToken", LOG_ERROR, E_FAIL,
                              Describe(MSG_INI_LOAD_ERROR), L"The section %ls does not name a token by its UQI",
                              section.c_str());
    }
    long single = 0;
    bool booleanText = false;
    std::vector<long> list;
    HRESULT hr = ReadValue(m_parser, section, L"Value", &single, &booleanText);
    RETURN_IF_FAILED(hr);
    const bool isList = hr == S_FALSE;
    if (isList) {
        RETURN_IF_FAILED(ReadList(m_parser, section, list));
        if (list.empty()) {
            IniEvents::MissingValue(section, L"Value or Value1");
            return REPORT_FAILURE(L"CTokensINIBuilder::CreateAndPopulateToken", LOG_ERROR, E_FAIL,
                                  Describe(MSG_INI_LOAD_ERROR), L"The section %ls holds no value", section.c_str());
        }
    }
    ComPtr<CTokensSetting> token;
    if (FAILED(hr = CTokensSetting::Make(token))) {
        return REPORT_FAILURE(L"CTokensINIBuilder::CreateAndPopulateToken", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to create Tokens setting.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    // Until the token is matched with the firmware, its file is all that describes it: the
    // name its comment gives it, else its section's name.
    TokenFileForm form = ReadFileForm(m_parser, section, booleanText);
    const std::wstring name = NameFromComments(form.commentLines);
    token->SetNameText(name.empty() ? section : name);
    token->SetDataID(section);
    token->SetFileForm(std::move(form));
    token->SetUQI(std::move(uqi));
    RETURN_IF_FAILED(isList ? SetListValue(*token.Get(), list) : SetSingleValue(*token.Get(), single));
    RETURN_IF_FAILED(ApplyFlags(m_parser, section, *token.Get()));
    return token.CopyTo(result);
}
CATCH_RETURN()

HRESULT CTokensINIBuilder::CreateConfigurationTree(IConfigGroup** group)
try {
    ComPtr<CConfigGroup> target;
    RETURN_IF_FAILED(CreateComponentGroup(EConfigGroup_Tokens, MSG_TOKENS_DATA, target, group));
    std::vector<std::wstring> names;
    RETURN_IF_FAILED(m_parser.GetSectionNames(&names));
    std::vector<std::wstring> sections;
    for (std::wstring& name : names) {
        const std::wstring_view start = std::wstring_view(name).substr(0, kPrefix.size());
        if (start == kPrefix) {
            sections.push_back(std::move(name));
        } else if (UpperAscii(start) == kPrefix) {
            ReportIgnoredSection(name);
        }
    }
    if (sections.empty()) {
        return REPORT_FAILURE(L"CTokensINIBuilder::CreateConfigurationTree", LOG_ERROR, ResultCode::E_NO_TOKEN_HEADERS,
                              Describe(MSG_NO_TOKENS_IN_INI), L"No token headers in the INI; cannot install tokens.");
    }

    // A section that repeats itself, or a name given twice, cannot be read as one token.
    HRESULT result = S_OK;
    std::unordered_set<std::wstring> seen;
    std::vector<std::wstring> kept;
    for (std::wstring& section : sections) {
        long duplicateKeywords = 0;
        if (!seen.insert(FoldIniName(section)).second) {
            IniEvents::DuplicateTokenInIni(section);
            result = ResultCode::E_DUPLICATE_TOKEN_SECTION;
        } else if (SUCCEEDED(m_parser.GetDuplicateKeyWordStatus(section, &duplicateKeywords)) && duplicateKeywords) {
            IniEvents::DuplicateToken(section);
        } else {
            kept.push_back(std::move(section));
        }
    }

    std::wstring versionText;
    long major = 0;
    long minor = 0;
    m_parser.GetProfileStr(L"System", L"INIversion", &versionText, L"");
    if (!ParseINIVersion(versionText, &major, &minor) || major < 2 || (major == 2 && minor < 8)) {
        REPORT_FAILURE(L"CTokensINIBuilder::CreateConfigurationTree", LOG_WARNING, S_OK,
                       Describe(MSG_INI_VERSION_TOO_EARLY), L"Token values are read as those of a version 2.9 file");
        IniEvents::TokenVersionTooEarly(L"2.9");
    }

    for (const std::wstring& section : kept) {
        if (section.size() > kMaxSectionName) {
            IniEvents::InvalidUQIToken(section);
            continue;
        }
        ComPtr<IConfigData> token;
        const HRESULT hr = CreateAndPopulateToken(section, token.GetAddressOf());
        if (FAILED(hr)) {
            return E_FAIL;
        }
        if (hr == S_OK) {
            RETURN_IF_FAILED(target->AddChildData(token.Get()));
        }
    }
    if (FAILED(result)) {
        return REPORT_FAILURE(L"CTokensINIBuilder::CreateConfigurationTree", LOG_ERROR, result,
                              Describe(MSG_INI_LOAD_ERROR), L"A token section occurs more than once in the INI file");
    }
    return S_OK;
}
CATCH_RETURN()
