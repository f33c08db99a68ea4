#include "INIBuilder.h"

#include "IniChecksum.h"
#include "IniEvents.h"

#include "config/ConfigGroup.h"
#include "config/StructuralGroups.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "system/ProcessState.h"

#include "ErrorMacros.h"
#include "IniCodePage.h"
#include "MessageIds.h"
#include "Owners.h"


namespace {

constexpr wchar_t kSystemSection[] = L"System";
constexpr wchar_t kVersionKeyword[] = L"INIversion";

bool IsDecimal(std::wstring_view text)
{
    if (text.empty()) {
        return false;
    }
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
    }
    return true;
}

// Load failures whose description the parser or the version check has already set, saying
// what is wrong with the file or its name.
bool IsDescribedByParser(HRESULT status)
{
    return status == ResultCode::E_INI_READ || status == ResultCode::E_INI_VERSION ||
           status == ResultCode::E_INVALID_FILE_NAME || status == ResultCode::E_INVALID_INI_DIRECTORY;
}

HRESULT IncompatibleVersion(const std::wstring& text)
{
    return REPORT_FAILURE(L"CINIBuilder::VerifyINIVersion", LOG_ERROR, ResultCode::E_INI_VERSION,
                          Describe(MSG_INI_VERSION_NOT_SUPPORTED), L"Incompatible INI file version (%ls)", text.c_str());
}

} // namespace

bool ParseINIVersion(std::wstring_view text, long* major, long* minor)
{
    // Nine characters hold every version that can be meant; more cannot be read as one.
    const size_t dot = text.find(L'.');
    if (text.size() > 9 || dot == std::wstring_view::npos) {
        return false;
    }
    const std::wstring_view majorText = text.substr(0, dot);
    const std::wstring_view minorText = text.substr(dot + 1);
    if (!IsDecimal(majorText) || !IsDecimal(minorText)) {
        return false;
    }
    *major = std::stol(std::wstring(majorText));
    *minor = std::stol(std::wstring(minorText));
    // "0.0", the version of a file that names none, is no version.
    return *major != 0 || *minor != 0;
}

HRESULT CreateComponentGroup(EConfigGroupID id, UINT messageId, ComPtr<CConfigGroup>& group, IConfigGroup** out)
{
    if (!out) {
        return REPORT_FAILURE(L"CBuilder::CreateConfigurationTree", LOG_ERROR, E_POINTER, Describe(MSG_INI_LOAD_ERROR),
                              L"Invalid Pointer: ppConfigGroup");
    }
    *out = nullptr;
    const HRESULT hr = CConfigGroup::CreateAndSetupGroup(group.ReleaseAndGetAddressOf(), id, messageId);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBuilder::CreateConfigurationTree", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to create group object.  hr=%x", static_cast<unsigned>(hr));
    }
    return group.CopyTo(out);
}

uint16_t TextChecksum(const std::wstring& text)
{
    std::string bytes;
    WideToAnsi(text, &bytes);
    return IniChecksum(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

CINIBuilder::CINIBuilder(const std::wstring& path, CComponentMask mask) : m_mask(mask)
{
    m_hrLoadStatus = m_parser.ReadINIFile(path, false);
    if (SUCCEEDED(m_hrLoadStatus)) {
        m_hrLoadStatus = VerifyINIVersion();
    }
}

HRESULT CINIBuilder::VerifyINIVersion()
try {
    std::wstring text;
    const HRESULT hr = m_parser.GetProfileStr(kSystemSection, kVersionKeyword, &text, L"0.0");
    if (hr == ResultCode::S_INI_EMPTY_VALUE) {
        IniEvents::MissingValue(kSystemSection, kVersionKeyword);
        return REPORT_FAILURE(L"CINIBuilder::VerifyINIVersion", LOG_ERROR, ResultCode::E_INI_VERSION,
                              Describe(MSG_INI_LOAD_ERROR), L"The INI file version is empty");
    }
    if (FAILED(hr)) {
        return IncompatibleVersion(text);
    }
    long major = 0;
    long minor = 0;
    if (!ParseINIVersion(text, &major, &minor) || major != kSupportedMajor || minor < kOldestMinor) {
        return IncompatibleVersion(text);
    }
    if (minor > kSupportedMinor) {
        ReportDiagnostic(LOG_SITE(L"CINIBuilder::VerifyINIVersion"), LOG_WARNING,
                         L"The INI file version %ls is newer than %ld.%ld", text.c_str(), kSupportedMajor,
                         kSupportedMinor);
        IniEvents::MinorVersion();
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CINIBuilder::SetParserErrorInfo() const
{
    const HRESULT status = m_hrLoadStatus;
    if (status == E_OUTOFMEMORY) {
        CErrorInfoManager::SetDescription(static_cast<UINT>(MSG_OUT_OF_MEMORY));
    } else if (status == ResultCode::E_SETTING_UNUSABLE) {
        CErrorInfoManager::SetDescription(static_cast<UINT>(MSG_INI_NOT_OPENED));
    } else if (!IsDescribedByParser(status)) {
        REPORT_FAILURE(L"CINIBuilder::SetParserErrorInfo", LOG_ERROR, status, Describe(MSG_UNKNOWN_ERROR),
                       L"Unexpected error loading parser: %lx", static_cast<unsigned long>(status));
    }
    return status;
}

HRESULT CINIBuilder::BuildComponents(StructuralGroups& groups)
{
    bool failed = FAILED(CBIOSInfoINIBuilder(m_parser).CreateConfigurationTree(groups.biosInfo.GetAddressOf()));
    if (!m_mask.IsCoolingSkipped()) {
        const HRESULT cooling = CCoolingINIBuilder(m_parser).CreateConfigurationTree(groups.cooling.GetAddressOf());
        if (cooling == ResultCode::S_NOTHING_TO_DO) {
            return cooling;
        }
        // Settings for a chip the board does not have cannot be installed here.
        failed |= FAILED(cooling) || cooling == ResultCode::S_NO_COOLING_HARDWARE;
        if (cooling == ResultCode::S_NO_COOLING_HARDWARE) {
            ReportDiagnostic(LOG_SITE(L"CINIBuilder::CreateConfigurationTree"), LOG_ERROR,
                             L"The file's cooling settings are for a hardware monitor this board does not have: %lx",
                             static_cast<unsigned long>(ResultCode::E_NO_COOLING_HARDWARE));
        }
    }
    if (!m_mask.IsSMBIOSSkipped()) {
        failed |= FAILED(CSMBIOSINIBuilder(m_parser).CreateConfigurationTree(groups.smbios.GetAddressOf()));
    }
    if (!m_mask.IsBIOSSkipped()) {
        failed |= FAILED(CBIOSImageINIBuilder(m_parser).CreateConfigurationTree(groups.biosImage.GetAddressOf()));
    }
    if (!m_mask.IsTokensSkipped()) {
        // The file's tokens meet the system's when they are installed: that must be the
        // system as it is now, not as an earlier read of this process found it.
        ProcessState::ForgetFirmwareReadings();
        failed |= FAILED(CTokensINIBuilder(m_parser).CreateConfigurationTree(groups.tokens.GetAddressOf()));
    }
    return failed ? E_FAIL : S_OK;
}

HRESULT CINIBuilder::CreateConfigurationTree(IConfigGroup** root)
try {
    if (!root) {
        return REPORT_FAILURE(L"CINIBuilder::CreateConfigurationTree", LOG_ERROR, E_POINTER,
                              Describe(MSG_INI_LOAD_ERROR), L"Invalid Pointer: ppConfigGroup");
    }
    *root = nullptr;
    if (FAILED(m_hrLoadStatus)) {
        return SetParserErrorInfo();
    }
    StructuralGroups groups(L"CINIBuilder::CreateConfigurationTree");
    RETURN_IF_FAILED(groups.Create());
    const HRESULT built = BuildComponents(groups);
    if (built == ResultCode::S_NOTHING_TO_DO) {
        return built;
    }
    if (FAILED(groups.Attach())) {
        return REPORT_FAILURE(L"CINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                              L"Unable to join the groups of the configuration");
    }
    RETURN_IF_FAILED(groups.root->QueryInterface(IID_PPV_ARGS(root)));
    if (FAILED(built)) {
        return REPORT_FAILURE(L"CINIBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL, Describe(MSG_INI_LOAD_ERROR),
                              L"One or more components could not be read from the INI file");
    }
    return S_OK;
}
CATCH_RETURN()
