#include "INIBuilder.h"

#include "IniChecksum.h"

#include "config/BIOSInfo.h"
#include "config/ConfigGroup.h"
#include "config/VariantValues.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"
#include "Owners.h"

namespace {

constexpr wchar_t kSection[] = L"ReferenceSystem";
constexpr wchar_t kKeyword[] = L"ReferenceID";
constexpr wchar_t kChecksumKeyword[] = L"ReferenceChecksum";

} // namespace

HRESULT CBIOSInfoINIBuilder::CreateConfigurationTree(IConfigGroup** group)
try {
    ComPtr<CConfigGroup> target;
    RETURN_IF_FAILED(CreateComponentGroup(EConfigGroup_BIOSInfo, MSG_BIOS_INFO, target, group));
    std::wstring referenceId;
    const HRESULT read = m_parser.GetProfileStr(kSection, kKeyword, &referenceId, L"");
    if (read == ResultCode::S_INI_NO_SECTION || read == ResultCode::S_INI_NO_KEYWORD) {
        ReportDiagnostic(LOG_SITE(L"CBIOSInfoINIBuilder::CreateConfigurationTree"), LOG_INFORMATION,
                         L"Keyword not present");
        return S_OK;
    }
    RETURN_IF_FAILED(read);

    ComPtr<CBIOSInfo> item;
    HRESULT hr = CBIOSInfo::Make(item);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSInfoINIBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to create BIOS Info setting.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    if (FAILED(hr = item->SetName(MSG_VERSION))) {
        return REPORT_FAILURE(L"CBIOSInfoINIBuilder::CreateConfigurationTree", LOG_ERROR, hr,
                              Describe(MSG_INTERNAL_ERROR), L"Failed to set the name of the BIOS Info setting.  hr=%x",
                              static_cast<unsigned>(hr));
    }
    item->SetDataID(std::wstring(kSection) + L"." + kKeyword);
    item->SetINISource(kSection, kKeyword);
    item->SetType(EConfigType_String);
    item->SetReadOnly(true);
    item->SetIncrement(1);
    UniqueVariant value;
    RETURN_IF_FAILED(TextVariant(referenceId, value));
    if (FAILED(item->put_Value(*value.get())) || FAILED(item->put_DefaultValue(*value.get()))) {
        return REPORT_FAILURE(L"CBIOSInfoINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to set the value %ls.  hr=%x",
                              referenceId.c_str(), static_cast<unsigned>(E_FAIL));
    }

    long written = 0;
    const bool matched = m_parser.GetProfileLong(kSection, kChecksumKeyword, &written) == S_OK &&
                         IniChecksumMatches(written, TextChecksum(referenceId));
    item->SetChecksumValid(matched);
    if (!matched) {
        // Not a reason to stop: the installer checks the reference ID against the board.
        REPORT_FAILURE(L"CBIOSInfoINIBuilder::CreateConfigurationTree", LOG_WARNING, S_OK,
                       Describe(MSG_BIOS_IMAGE_NOT_INSTALLED), L"The checksum of the reference ID does not match");
    }
    RETURN_IF_FAILED(target->AddChildData(item.Get()));
    ReportDiagnostic(LOG_SITE(L"CBIOSInfoINIBuilder::CreateConfigurationTree"), LOG_INFORMATION,
                     L"Added BIOS info child data");
    return S_OK;
}
CATCH_RETURN()
