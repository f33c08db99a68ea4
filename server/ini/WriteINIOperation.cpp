#include "WriteINIOperation.h"

#include "INICodec.h"
#include "IniChecksum.h"
#include "IniCodePage.h"
#include "IniText.h"
#include "MessageIds.h"

#include "ErrorMacros.h"
#include "Owners.h"
#include "config/BIOSImage.h"
#include "config/BIOSInfo.h"
#include "config/ConfigGroup.h"
#include "config/CoolingSetting.h"
#include "config/SMBIOSSetting.h"
#include "config/SMBIOSTable.h"
#include "cooling/CoolingTables.h"
#include "system/CoolingValues.h"
#include "config/TokensSetting.h"
#include "config/VariantValues.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "system/HiiConvert.h"

#include <optional>
#include <string_view>
#include <vector>

namespace {

// The file version this writer produces; readers accept 2.7 to 2.9 silently.
constexpr wchar_t kINIVersion[] = L"2.9";
constexpr wchar_t kSystemSection[] = L"System";
constexpr wchar_t kVersionKeyword[] = L"INIversion";
constexpr wchar_t kImageCountSection[] = L"Config.info";
constexpr wchar_t kImageCountKeyword[] = L"Count";
constexpr wchar_t kImageSectionPrefix[] = L"Configuration.Imagedata";
constexpr wchar_t kReferenceSection[] = L"ReferenceSystem";
constexpr wchar_t kReferenceKeyword[] = L"ReferenceID";
constexpr wchar_t kReferenceChecksumKeyword[] = L"ReferenceChecksum";
constexpr wchar_t kReferenceDataID[] = L"ReferenceSystem.ReferenceID";
constexpr wchar_t kReferenceDateID[] = L"ReferenceSystem.ReferenceDate";
constexpr wchar_t kTokenSectionPrefix[] = L"SETTING_";
constexpr wchar_t kValueKeyword[] = L"Value";

// The longest token section name that the token reader accepts: "SETTING_" and one word.
constexpr size_t kMaxTokenSectionLength = 13;
// Letters per numbered keyword of a split value: with the keyword, a line stays well within
// what the reader takes at once.
constexpr size_t kLettersPerKeyword = 64;

// The blanks between the semicolon and the text of each kind of description line.
constexpr int kNameBlanks = 3;
constexpr int kRuleBlanks = 1;
constexpr int kIntroBlanks = 1;
constexpr int kIncrementBlanks = 3;
constexpr int kSingleValueBlanks = 3;
constexpr int kChoiceBlanks = 5;
constexpr wchar_t kRule[] = L"---------------------------------------";

std::wstring TokenSectionName(const std::wstring& uqi)
{
    static constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
    std::wstring section = kTokenSectionPrefix;
    for (wchar_t unit : uqi) {
        const auto word = static_cast<unsigned>(static_cast<uint16_t>(unit));
        if (word == 0) {
            break;
        }
        for (int shift = 12; shift >= 0; shift -= 4) {
            section.push_back(kHexDigits[(word >> shift) & 0xF]);
        }
    }
    return section;
}

// A comment is one line of the file: texts from the firmware may hold line breaks, which
// would end the comment and make the rest of the text read as data.
std::wstring CommentLine(int blanks, std::wstring_view text)
{
    std::wstring line = L";";
    line.append(static_cast<size_t>(blanks), L' ');
    for (wchar_t character : text) {
        line.push_back(character == L'\r' || character == L'\n' || character == L'\0' ? L' ' : character);
    }
    return line;
}

std::vector<uint8_t> Utf16Bytes(const std::wstring& text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>((unit >> 8) & 0xFF));
    }
    // The firmware's variable name carries its terminating zero character.
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::wstring BstrText(BSTR text)
{
    return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

// A token known only from its file, whose value the file wrote as TRUE or FALSE and which
// still holds 1 or 0.
bool IsBooleanTextOfFile(const CTokensSetting& token, const VARIANT& value)
{
    const std::optional<TokenFileForm>& form = token.FileForm();
    return form && form->booleanText && V_VT(&value) == VT_I4 && (V_I4(&value) == 0 || V_I4(&value) == 1);
}

HRESULT NullItem(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
}

// Skipping a token is a warning to the client, who asked for the whole configuration.
void WarnClient(const std::wstring& section, bool invalidUQI)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return invalidUQI ? target.Fire_OnInvalidUQIToken(section.c_str())
                          : target.Fire_OnTokenExtractInvalidValue(section.c_str());
    });
    ToolkitEvents::RaiseWarning();
}

} // namespace

HRESULT CWriteINIOperation::Configure(IOperationTarget* root, const std::wstring& path, CComponentMask mask)
try {
    // One operation serves one write; a second Configure starts again from the file.
    m_bConfigured = false;
    m_nImageCounter = 0;
    m_parser.Parser().Reset();
    if (!root) {
        return REPORT_FAILURE(L"CWriteINIOperation::Configure", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    m_strPath = path;
    // The parser's rules decide here whether the file can be written at all: a missing folder
    // or a name that is no file. A file that does not exist yet is made only by Execute.
    if (const HRESULT hr = m_parser.ReadINIFile(m_strPath, true); FAILED(hr)) {
        return REPORT_FAILURE(L"CWriteINIOperation::Configure", LOG_ERROR, hr, Describe(MSG_INI_WRITE_ERROR),
                              L"Parser initialization error");
    }
    if (FAILED(m_parser.SetProfileString(kSystemSection, kVersionKeyword, kINIVersion))) {
        return REPORT_FAILURE(L"CWriteINIOperation::Configure", LOG_ERROR, E_FAIL, Describe(MSG_INI_WRITE_ERROR),
                              L"Unable to write version to INI");
    }
    const HRESULT hr = CDataOperation::Configure(root, mask);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CWriteINIOperation::Configure", LOG_ERROR, hr, Describe(MSG_INI_WRITE_ERROR),
                              L"Unable to write the configuration into the INI file %ls.  hr=%x", m_strPath.c_str(),
                              static_cast<unsigned>(hr));
    }
    m_bConfigured = true;
    return S_OK;
}
CATCH_RETURN()

HRESULT CWriteINIOperation::Execute()
{
    if (!m_bConfigured) {
        return REPORT_FAILURE(L"CWriteINIOperation::Execute", LOG_ERROR, E_FAIL, Describe(MSG_INI_WRITE_ERROR),
                              L"The INI file %ls is not written: the configuration was not put into it",
                              m_strPath.c_str());
    }
    const HRESULT hr = m_parser.WriteINIFile(m_strPath);
    if (FAILED(hr)) {
        // The file itself could not be written (read-only, held open, a folder): the text
        // that says so names the read-only flag.
        const UINT message = hr == ResultCode::E_FILE_CREATE ? MSG_FILE_WRITE_ERROR : MSG_INI_WRITE_ERROR;
        return REPORT_FAILURE(L"CWriteINIOperation::Execute", LOG_ERROR, E_FAIL, Describe(message),
                              L"Unable to write the INI file %ls.  hr=%x", m_strPath.c_str(), static_cast<unsigned>(hr));
    }
    return S_OK;
}

HRESULT CWriteINIOperation::OnGroupStart(CConfigGroup* group)
{
    if (!group) {
        return NullItem(LOG_SITE(L"CWriteINIOperation::OnGroupStart"));
    }
    // The file ends up with exactly the tree's tokens: a token that the tree no longer holds
    // must not survive from an earlier write.
    if (group->GetGroupID() == EConfigGroup_Tokens && !Mask().IsTokensSkipped() &&
        (FAILED(m_parser.DeleteSection(kTokenSectionPrefix)) || FAILED(DeleteIgnoredTokenSections()))) {
        return REPORT_FAILURE(L"CWriteINIOperation::OnGroupStart", LOG_ERROR, E_FAIL, Describe(MSG_INI_WRITE_ERROR),
                              L"Failed to delete tokens from INI");
    }
    return S_OK;
}

// A section such as [setting_0108] was ignored when the file was read (the prefix is not in
// capitals); left in place it would read as the token's value while the file's real token
// section says otherwise.
HRESULT CWriteINIOperation::DeleteIgnoredTokenSections()
{
    std::vector<std::wstring> names;
    RETURN_IF_FAILED(m_parser.GetSectionNames(&names));
    const std::wstring_view prefix = kTokenSectionPrefix;
    for (const std::wstring& name : names) {
        if (FoldIniName(std::wstring_view(name).substr(0, prefix.size())) == FoldIniName(prefix)) {
            ReportDiagnostic(LOG_SITE(L"CWriteINIOperation::OnGroupStart"), LOG_WARNING,
                             L"The section [%ls], which is not read as a token, is removed with the token sections",
                             name.c_str());
            RETURN_IF_FAILED(m_parser.DeleteSection(name));
        }
    }
    return S_OK;
}

HRESULT CWriteINIOperation::OnGroupFinish(CConfigGroup* group)
{
    if (!group) {
        return NullItem(LOG_SITE(L"CWriteINIOperation::OnGroupFinish"));
    }
    if (group->GetGroupID() == EConfigGroup_BIOSImage && !Mask().IsBIOSSkipped()) {
        return Written(m_parser.SetProfileLong(kImageCountSection, kImageCountKeyword, m_nImageCounter),
                       LOG_SITE(L"CWriteINIOperation::OnGroupFinish"), kImageCountSection, kImageCountKeyword);
    }
    return S_OK;
}

HRESULT CWriteINIOperation::ProcessConfigData(CBIOSImage* setting)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::ProcessConfigData");
    if (!setting) {
        return NullItem(site);
    }
    if (Mask().IsBIOSSkipped()) {
        return S_OK;
    }
    unsigned size = 0;
    RETURN_IF_FAILED(setting->GetBIOSImageSize(&size));
    if (size == 0) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"The BIOS image %u holds no data", static_cast<unsigned>(m_nImageCounter));
    }
    BIOSImageRecord image;
    image.capacity = size;
    RETURN_IF_FAILED(setting->GetBIOSImage(&image));
    std::wstring status;
    RETURN_IF_FAILED(setting->GetPasswordError(&status));
    std::string statusBytes;
    WideToAnsi(status, &statusBytes);
    // The status is stored as the firmware keeps it, with its terminating zero byte.
    statusBytes.push_back('\0');

    const std::wstring section = kImageSectionPrefix + std::to_wstring(m_nImageCounter);
    // Removes the image's old section, and with it those of images 10 to 19 when this is
    // image 1: each of them is written again when its own image comes.
    if (FAILED(m_parser.DeleteSection(section))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INI_WRITE_ERROR), L"Unable to delete the Section %ls",
                               section.c_str());
    }
    const std::vector<uint8_t> name = Utf16Bytes(setting->GetVariableName());
    // The firmware's layout of a GUID, as the file carries it.
    const FirmwareGuid firmwareGuid = ToFirmwareGuid(setting->GetVendorGuid());
    const std::vector<uint8_t> guid(firmwareGuid.bytes.begin(), firmwareGuid.bytes.end());
    RETURN_IF_FAILED(EncodeAndWriteToINI(image.data.data(), image.size, section, L"VariableData", true, true));
    RETURN_IF_FAILED(EncodeAndWriteToINI(name.data(), name.size(), section, L"VariableName", false, true));
    RETURN_IF_FAILED(EncodeAndWriteToINI(guid.data(), guid.size(), section, L"VendorGUID", false, true));
    RETURN_IF_FAILED(EncodeAndWriteToINI(image.mask.data(), image.size, section, L"VariableMask", true, true));
    RETURN_IF_FAILED(EncodeAndWriteToINI(reinterpret_cast<const uint8_t*>(statusBytes.data()), statusBytes.size(),
                                         section, L"VariableStatus", true, true));
    ++m_nImageCounter;
    return S_OK;
}
CATCH_RETURN()

HRESULT CWriteINIOperation::ProcessConfigData(CBIOSInfo* setting)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::ProcessConfigData");
    if (!setting) {
        return NullItem(site);
    }
    std::wstring dataId;
    RETURN_IF_FAILED(setting->GetDataID(&dataId));
    if (FoldIniName(dataId) == FoldIniName(kReferenceDateID)) {
        // The release date is part of the BIOS ID, which the file carries.
        return S_OK;
    }
    if (FoldIniName(dataId) != FoldIniName(kReferenceDataID)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"No table entry for node: %ls",
                               dataId.c_str());
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"Writing Setting: %ls", dataId.c_str());
    UniqueVariant value;
    if (FAILED(setting->get_Value(value.put()))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to get reference ID");
    }
    RETURN_IF_FAILED(AddEntryToINI(kReferenceSection, kReferenceKeyword, setting->Type(), *value.get()));
    return WriteReferenceIDChecksum(setting);
}
CATCH_RETURN()

HRESULT CWriteINIOperation::WriteReferenceIDChecksum(CBIOSInfo* setting)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::WriteReferenceIDChecksum");
    UniqueVariant value;
    if (FAILED(setting->get_Value(value.put()))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to get reference ID");
    }
    if (V_VT(value.get()) != VT_BSTR) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"The reference ID should be a string");
    }
    // The reader checks the text as the file holds it: in the ANSI code page.
    std::string bytes;
    WideToAnsi(BstrText(V_BSTR(value.get())), &bytes);
    const uint16_t checksum = IniChecksum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ReportDiagnostic(site, LOG_INFORMATION, L"Writing Reference ID Checksum");
    return AddEntryToINI(kReferenceSection, kReferenceChecksumKeyword, EConfigType_Integer, *IntegerVariant(checksum).get());
}
CATCH_RETURN()

HRESULT CWriteINIOperation::ProcessConfigData(CSMBIOSSetting* setting)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::ProcessConfigData");
    if (!setting) {
        return NullItem(site);
    }
    std::wstring dataId;
    RETURN_IF_FAILED(setting->GetDataID(&dataId));
    const SMBIOSRow* row = FindSMBIOSRow(dataId);
    if (!row) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Unable to find table entry for %ls", dataId.c_str());
    }
    if (Mask().IsSMBIOSSkipped()) {
        return S_OK;
    }
    UniqueVariant value;
    EConfigType type = setting->Type();
    if (setting->IsPromptRequest()) {
        // Written back as it was read, so that the file still asks for the string.
        std::wstring request = kSMBIOSPromptMarker;
        if (!setting->PromptGivenText().empty()) {
            request += L"," + setting->PromptGivenText();
        }
        RETURN_IF_FAILED(TextVariant(request, value));
        type = EConfigType_String;
    } else if (FAILED(setting->get_Value(value.put()))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Unable to get the value of %ls", dataId.c_str());
    }
    return AddEntryToINI(kSMBIOSSection, row->keyword, type, *value.get());
}
CATCH_RETURN()

// A cooling value is written as its text: numbers in a form that reads back the same
// whatever the locale of the machine that reads the file.
HRESULT CWriteINIOperation::ProcessConfigData(CCoolingSetting* setting)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::ProcessConfigData");
    if (!setting) {
        return NullItem(site);
    }
    std::wstring dataId;
    RETURN_IF_FAILED(setting->GetDataID(&dataId));
    const cooling::SettingDefinition* definition = cooling::FindSetting(dataId);
    if (!definition) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to find table entry");
    }
    if (Mask().IsCoolingSkipped()) {
        return S_OK;
    }
    UniqueVariant value;
    if (FAILED(setting->get_Value(value.put()))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Unable to get the value of %ls", dataId.c_str());
    }
    const std::wstring section = definition->group;
    const std::wstring keyword = definition->keyword;
    return Written(m_parser.SetProfileString(section, keyword, CoolingText(*value.get())), site, section, keyword);
}
CATCH_RETURN()

HRESULT CWriteINIOperation::ProcessConfigData(CTokensSetting* setting)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::ProcessConfigData");
    if (!setting) {
        return NullItem(site);
    }
    if (Mask().IsTokensSkipped()) {
        return S_OK;
    }
    const std::wstring section = TokenSectionName(setting->GetUQI());
    // A token without a UQI would get a section that names no token; one with a UQI of more
    // than one word a section that the reader refuses. Neither is written.
    if (section.size() > kMaxTokenSectionLength || section.size() == std::wstring_view(kTokenSectionPrefix).size()) {
        WarnClient(section, true);
        return S_OK;
    }
    if (FAILED(WriteTokenValues(setting, section)) || FAILED(WriteTokenDescription(setting, section))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to write the token %ls",
                               section.c_str());
    }
    if (setting->HasInvalidValue()) {
        WarnClient(section, false);
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CWriteINIOperation::WriteTokenValues(CTokensSetting* token, const std::wstring& section)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::WriteTokenValues");
    UniqueVariant value;
    if (FAILED(token->get_Value(value.put()))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Unable to get the value of %ls", section.c_str());
    }
    if (token->Type() == EConfigType_OrderedList) {
        ComPtr<IVariantCollection> list;
        RETURN_IF_FAILED(ValueCollection(*value.get(), list, site));
        LONG count = 0;
        if (FAILED(list->get_Count(&count))) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                   L"Unable to obtain Variant Collection count");
        }
        for (LONG position = 1; position <= count; ++position) {
            UniqueVariant item;
            if (FAILED(list->get_Item(position, item.put()))) {
                return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                       L"Unable to obtain Variant Collection item %ld", static_cast<long>(position));
            }
            RETURN_IF_FAILED(AddEntryToINI(section, kValueKeyword + std::to_wstring(position), EConfigType_Integer,
                                           *item.get()));
        }
    } else if (IsBooleanTextOfFile(*token, *value.get())) {
        // A file that said TRUE or FALSE gets it back, not 1 or 0.
        RETURN_IF_FAILED(AddEntryToINI(section, kValueKeyword, EConfigType_Bool,
                                       *BoolVariant(V_I4(value.get()) != 0).get()));
    } else {
        RETURN_IF_FAILED(AddEntryToINI(section, kValueKeyword, token->Type(), *value.get()));
    }
    VARIANT_BOOL able = VARIANT_FALSE;
    VARIANT_BOOL state = VARIANT_FALSE;
    if (SUCCEEDED(token->get_IsLockable(&able)) && able != VARIANT_FALSE) {
        RETURN_IF_FAILED(token->get_Locked(&state));
        RETURN_IF_FAILED(AddEntryToINI(section, L"Lock", EConfigType_Bool, *BoolVariant(state != VARIANT_FALSE).get()));
    }
    if (SUCCEEDED(token->get_IsHideable(&able)) && able != VARIANT_FALSE) {
        RETURN_IF_FAILED(token->get_Hidden(&state));
        RETURN_IF_FAILED(AddEntryToINI(section, L"Hide", EConfigType_Bool, *BoolVariant(state != VARIANT_FALSE).get()));
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CWriteINIOperation::WriteTokenDescription(CTokensSetting* token, const std::wstring& section)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::WriteTokenDescription");
    if (const std::optional<TokenFileForm>& form = token->FileForm()) {
        // Only its file describes the token: its limits as an item ("any number") would be
        // a false description, so the file's own lines are written back as they were.
        for (const std::wstring& line : form->commentLines) {
            if (FAILED(m_parser.SetProfileComment(section, line))) {
                return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                       L"Unable to add a comment to section %ls", section.c_str());
            }
        }
        return S_OK;
    }
    RETURN_IF_FAILED(AddComment(section, kNameBlanks, token->Name()));
    RETURN_IF_FAILED(AddComment(section, kRuleBlanks, kRule));
    switch (token->Type()) {
    case EConfigType_Integer: {
        LONG minimum = 0;
        LONG maximum = 0;
        LONG increment = 0;
        UniqueVariant defaultValue;
        RETURN_IF_FAILED(token->get_Minimum(&minimum));
        RETURN_IF_FAILED(token->get_Maximum(&maximum));
        RETURN_IF_FAILED(token->get_Increment(&increment));
        RETURN_IF_FAILED(token->get_DefaultValue(defaultValue.put()));
        LONG defaultNumber = 0;
        // An item whose default was never set holds the empty text; for a number that is the
        // neutral value 0.
        const bool unset = V_VT(defaultValue.get()) == VT_BSTR && ::SysStringLen(V_BSTR(defaultValue.get())) == 0;
        if (!unset && !IntegerPayload(*defaultValue.get(), &defaultNumber)) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"The default value of %ls is not a number", section.c_str());
        }
        RETURN_IF_FAILED(AddComment(section, kIntroBlanks,
                                    L"Select a number between " + std::to_wstring(minimum) + L" and " +
                                        std::to_wstring(maximum) + L" in"));
        RETURN_IF_FAILED(AddComment(section, kIncrementBlanks,
                                    L"increments of " + std::to_wstring(increment) + L". Default value is " +
                                        std::to_wstring(defaultNumber) + L"."));
        break;
    }
    case EConfigType_OrderedList: {
        UniqueVariant value;
        ComPtr<IVariantCollection> list;
        LONG count = 0;
        if (FAILED(token->get_Value(value.put())) || FAILED(ValueCollection(*value.get(), list, site)) ||
            FAILED(list->get_Count(&count))) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                                   L"Unable to obtain Variant Collection");
        }
        RETURN_IF_FAILED(AddComment(section, kIntroBlanks, L"Can choose up to " + std::to_wstring(count) + L" values."));
        RETURN_IF_FAILED(AddComment(section, kIntroBlanks, L"Values set to 0 may be ignored."));
        RETURN_IF_FAILED(WriteChoiceLines(token, section));
        break;
    }
    case EConfigType_Choice:
        RETURN_IF_FAILED(AddComment(section, kSingleValueBlanks, L"Select a single value from this list:"));
        RETURN_IF_FAILED(WriteChoiceLines(token, section));
        break;
    default:
        break;
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CWriteINIOperation::WriteChoiceLines(CTokensSetting* token, const std::wstring& section)
{
    const LogSite site = LOG_SITE(L"CWriteINIOperation::WriteTokenDescription");
    const CVariantCollection& choices = token->Choices();
    for (size_t position = 0; position < choices.Size(); ++position) {
        LONG choice = 0;
        if (!IntegerPayload(choices.ElementAt(position), &choice)) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"Choice %u of %ls is not a number", static_cast<unsigned>(position + 1),
                                   section.c_str());
        }
        // A value the firmware holds without a text for it (or one read from a file, which
        // carries none) is left out of the list; the client hears of it in its own event.
        if (!token->HasTextForValue(choice)) {
            ReportDiagnostic(site, LOG_WARNING, L"BIOS contains an invalid value");
            continue;
        }
        UniqueBstr text;
        if (FAILED(token->GetStringForValue(choice, text.put()))) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"Unable to get the text of choice %ld of %ls", static_cast<long>(choice),
                                   section.c_str());
        }
        RETURN_IF_FAILED(AddComment(section, kChoiceBlanks, std::to_wstring(choice) + L" : " + text.c_str()));
    }
    return S_OK;
}

HRESULT CWriteINIOperation::ValueCollection(const VARIANT& value, ComPtr<IVariantCollection>& list, const LogSite& site)
{
    const bool isObject = V_VT(&value) == VT_UNKNOWN || V_VT(&value) == VT_DISPATCH;
    if (!isObject || !V_UNKNOWN(&value) || FAILED(V_UNKNOWN(&value)->QueryInterface(IID_PPV_ARGS(&list)))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                               L"Unable to obtain Variant Collection");
    }
    return S_OK;
}

HRESULT CWriteINIOperation::AddEntryToINI(const std::wstring& section, const std::wstring& keyword, EConfigType type,
                                          const VARIANT& value)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::AddEntryToINI");
    const VARTYPE held = V_VT(&value);
    auto mismatch = [&](const wchar_t* expected) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Setting types don't match (%ls): %ls in section %ls holds variant type %u", expected,
                               keyword.c_str(), section.c_str(), static_cast<unsigned>(held));
    };
    if (type == EConfigType_Choice) {
        switch (held) {
        case VT_I4:
            type = EConfigType_Integer;
            break;
        case VT_BSTR:
            type = EConfigType_String;
            break;
        case VT_BOOL:
            type = EConfigType_Bool;
            break;
        default:
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"Invalid setting type: the choice %ls in section %ls holds variant type %u",
                                   keyword.c_str(), section.c_str(), static_cast<unsigned>(held));
        }
    }
    switch (type) {
    case EConfigType_Bool:
        if (held != VT_BOOL) {
            return mismatch(L"BOOL");
        }
        return Written(m_parser.SetProfileBool(section, keyword, V_BOOL(&value) != VARIANT_FALSE), site, section,
                       keyword);
    case EConfigType_Integer:
        if (held != VT_I4) {
            return mismatch(L"INT");
        }
        return Written(m_parser.SetProfileLong(section, keyword, V_I4(&value)), site, section, keyword);
    case EConfigType_String:
        if (held != VT_BSTR) {
            return mismatch(L"BSTR");
        }
        return Written(m_parser.SetProfileString(section, keyword, BstrText(V_BSTR(&value))), site, section, keyword);
    default:
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Invalid setting type %d for %ls in section %ls", static_cast<int>(type), keyword.c_str(),
                               section.c_str());
    }
}
CATCH_RETURN()

HRESULT CWriteINIOperation::EncodeAndWriteToINI(const uint8_t* bytes, size_t count, const std::wstring& section,
                                                const std::wstring& keyword, bool split, bool withChecksum)
try {
    const LogSite site = LOG_SITE(L"CWriteINIOperation::EncodeAndWriteToINI");
    std::wstring letters;
    if (FAILED(CINICodec::EncodeVariableBuffer(bytes, count, &letters))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INI_WRITE_ERROR),
                               L"Unable to add INI entry %ls in section %ls: %u bytes cannot be encoded", keyword.c_str(),
                               section.c_str(), static_cast<unsigned>(count));
    }
    if (!split) {
        RETURN_IF_FAILED(Written(m_parser.SetProfileString(section, keyword, letters), site, section, keyword));
    }
    for (size_t offset = 0, number = 1; split && offset < letters.size(); offset += kLettersPerKeyword, ++number) {
        const std::wstring numbered = keyword + std::to_wstring(number);
        RETURN_IF_FAILED(Written(
            m_parser.SetProfileString(section, numbered, std::wstring_view(letters).substr(offset, kLettersPerKeyword)),
            site, section, numbered));
    }
    if (withChecksum) {
        const std::wstring checksumKeyword = keyword + L"Checksum";
        RETURN_IF_FAILED(Written(m_parser.SetProfileLong(section, checksumKeyword, IniChecksum(bytes, count)), site,
                                 section, checksumKeyword));
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CWriteINIOperation::AddComment(const std::wstring& section, int blanks, std::wstring_view text)
{
    if (FAILED(m_parser.SetProfileComment(section, CommentLine(blanks, text)))) {
        return ReportFailureAt(LOG_SITE(L"CWriteINIOperation::WriteTokenDescription"), LOG_ERROR, E_FAIL,
                               Describe(MSG_INTERNAL_ERROR), L"Unable to add a comment to section %ls", section.c_str());
    }
    return S_OK;
}

HRESULT CWriteINIOperation::Written(HRESULT hr, const LogSite& site, const std::wstring& section,
                                    const std::wstring& keyword)
{
    if (FAILED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INI_WRITE_ERROR),
                               L"Unable to add INI entry %ls in section %ls.  hr=%x", keyword.c_str(), section.c_str(),
                               static_cast<unsigned>(hr));
    }
    return S_OK;
}
