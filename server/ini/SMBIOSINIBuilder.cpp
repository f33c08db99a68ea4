#include "INIBuilder.h"

#include "IniEvents.h"

#include "config/ConfigGroup.h"
#include "config/SMBIOSSetting.h"
#include "config/SMBIOSTable.h"
#include "config/VariantValues.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"
#include "Owners.h"

namespace {

HRESULT SetText(CSMBIOSSetting& item, const std::wstring& text)
{
    UniqueVariant value;
    RETURN_IF_FAILED(TextVariant(text, value));
    return item.put_Value(*value.get());
}

// A line longer than the reader takes at once loses its end: the value read is not the one
// the file holds, and the user is told so.
void ReportCutValue(const CPellamParser& parser, const SMBIOSRow& row, const std::wstring& read)
{
    std::wstring cut;
    if (parser.GetCutText(kSMBIOSSection, row.keyword, &cut) != S_OK || cut.empty()) {
        return;
    }
    const std::wstring whole = read + cut;
    ReportDiagnostic(LOG_SITE(L"CSMBIOSINIBuilder::CreateConfigurationTree"), LOG_WARNING,
                     L"The value of %ls in [%ls] is cut to its first %u characters: its line is longer than the %u "
                     L"bytes a line of an INI file holds (it has %u more)",
                     row.keyword, kSMBIOSSection, static_cast<unsigned>(read.size()),
                     static_cast<unsigned>(CIniParser::kMaxLineBytes), static_cast<unsigned>(cut.size()));
    IniEvents::TruncatedValue(kSMBIOSSection, row.keyword, whole, read);
}

// The row's value, or its prompt request. S_FALSE: the keyword is missing and the row is
// left out.
HRESULT ReadRow(CPellamParser& parser, const SMBIOSRow& row, CSMBIOSSetting& item)
{
    std::wstring given;
    HRESULT hr = parser.GetPrompt(kSMBIOSSection, row.keyword, &given, L"");
    if (hr == S_OK) {
        std::wstring prompt = given;
        if (prompt.empty()) {
            RETURN_IF_FAILED(LoadMessageString(row.promptMessage, &prompt));
        }
        item.SetPromptRequest(std::move(given), std::move(prompt));
        return S_OK;
    }
    if (hr == ResultCode::S_INI_NO_KEYWORD) {
        IniEvents::MissingValue(kSMBIOSSection, row.keyword);
        return S_FALSE;
    }
    RETURN_IF_FAILED(hr);
    std::wstring text;
    RETURN_IF_FAILED(parser.GetProfileStr(kSMBIOSSection, row.keyword, &text, L""));
    ReportCutValue(parser, row, text);
    hr = SetText(item, text);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CSMBIOSINIBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to set the value.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    return S_OK;
}

} // namespace

HRESULT CSMBIOSINIBuilder::CreateConfigurationTree(IConfigGroup** group)
try {
    ComPtr<CConfigGroup> target;
    RETURN_IF_FAILED(CreateComponentGroup(EConfigGroup_SMBIOS, MSG_SMBIOS_DATA, target, group));
    std::wstring probe;
    if (m_parser.GetProfileStr(kSMBIOSSection, kSMBIOSRows[0].keyword, &probe, L"") == ResultCode::S_INI_NO_SECTION) {
        ReportDiagnostic(LOG_SITE(L"CSMBIOSINIBuilder::CreateConfigurationTree"), LOG_WARNING,
                         L"Unable to find the section: %ls", kSMBIOSSection);
        IniEvents::MissingSection(kSMBIOSSection);
        return S_OK;
    }
    bool failed = false;
    for (const SMBIOSRow& row : kSMBIOSRows) {
        ComPtr<CSMBIOSSetting> item;
        HRESULT hr = CSMBIOSSetting::MakeForRow(row, item);
        if (SUCCEEDED(hr)) {
            hr = ReadRow(m_parser, row, *item.Get());
        }
        if (hr == S_OK) {
            hr = target->AddChildData(item.Get());
        }
        if (FAILED(hr)) {
            ReportDiagnostic(LOG_SITE(L"CSMBIOSINIBuilder::CreateConfigurationTree"), LOG_ERROR,
                             L"Cannot create SMBIOS data: %ls", row.keyword);
            failed = true;
        }
    }
    if (failed) {
        return REPORT_FAILURE(L"CSMBIOSINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"One or more SMBIOS values could not be read");
    }
    return S_OK;
}
CATCH_RETURN()
