#include "Installers.h"

#include "FirmwareText.h"
#include "VariableCatalogue.h"

#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"


namespace {

void FireMismatch(const std::wstring& reference, const std::wstring& system)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnBIOSIDMismatch(reference.c_str(), system.c_str());
    });
    ToolkitEvents::RaiseWarning();
}

} // namespace

void CInstallBIOSInfo::SetReference(const std::wstring& id, const std::wstring& section, const std::wstring& keyword,
    bool valid)
{
    m_strReferenceID = id;
    m_strSection = section;
    m_strKeyword = keyword;
    m_bChecksumValid = valid;
}

HRESULT CInstallBIOSInfo::CheckBIOSID()
try {
    const LogSite site = LOG_SITE(L"CInstallBIOSInfo::CheckBIOSID");
    ReportDiagnostic(site, LOG_INFORMATION, L"Entering Function");
    std::vector<BYTE> bytes;
    HRESULT hr = m_context.variables.Read(VariableName::FirmwareId, VendorGuid::FirmwareId, bytes, nullptr);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        hr = m_context.variables.Read(VariableName::FirmwareId, VendorGuid::FirmwareIdFallback, bytes, nullptr);
    }
    if (FAILED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Failed to obtain variable.  Board ID unknown");
    }
    const std::wstring system = FirmwareText(bytes);
    if (system.empty() || m_strReferenceID.empty()) {
        FireMismatch(m_strReferenceID, system);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_BIOS_IMAGE_NOT_INSTALLED),
                               system.empty() ? L"BIOS ID from the system is empty"
                                              : L"BIOS ID obtained from the INI is empty");
    }
    if (system != m_strReferenceID) {
        ReportDiagnostic(site, LOG_WARNING, L"INI BIOS ID:    %ls", m_strReferenceID.c_str());
        ReportDiagnostic(site, LOG_WARNING, L"System BIOS ID: %ls", system.c_str());
        FireMismatch(m_strReferenceID, system);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_BIOS_IMAGE_NOT_INSTALLED),
                               L"The BIOS IDs differ");
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"BIOS IDs Match");
    if (m_bChecksumValid) {
        return S_OK;
    }
    ToolkitEvents::Fire([this](IToolkitEventTarget& target) {
        return target.Fire_OnInvalidChecksum(m_strSection.c_str(), m_strKeyword.c_str());
    });
    ToolkitEvents::RaiseWarning();
    return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_BIOS_IMAGE_NOT_INSTALLED),
                           L"Invalid checksum in section %ls and keyword %ls", m_strSection.c_str(),
                           m_strKeyword.c_str());
}
CATCH_RETURN()
