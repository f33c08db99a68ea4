#include "Installers.h"

#include "VariableCatalogue.h"

#include "config/BIOSImage.h"
#include "config/ComponentMask.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

namespace {

// Variables that hold passwords on every board this server knows: their records are never
// written over an existing password, whatever write flag a file gives them.
bool HoldsPasswords(const EFIVarRecord& record)
{
    return (record.name == VariableName::SystemPassword && IsEqualGUID(record.guid, VendorGuid::Setup)) ||
           IsEqualGUID(record.guid, VendorGuid::MeAdminPassword);
}

} // namespace

HRESULT CInstallBIOSImage::SetImage(CBIOSImage* image)
try {
    const LogSite site = LOG_SITE(L"CInstallBIOSImage::SetImage");
    if (!image) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid pointer");
    }
    unsigned size = 0;
    if (FAILED(image->GetBIOSImageSize(&size)) || size == 0) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Invalid image size of 0");
    }
    BIOSImageRecord image_record;
    image_record.capacity = size;
    std::wstring description;
    if (FAILED(image->GetBIOSImage(&image_record)) || FAILED(image->GetPasswordError(&description))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Failed to retrieve the BIOS Image");
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"BIOS Image retrieved");
    EFIVarRecord record;
    record.name = image->GetVariableName();
    record.guid = image->GetVendorGuid();
    record.data = std::move(image_record.data);
    record.mask = std::move(image_record.mask);
    record.writable = image->GetWriteFlag() != 0 && !HoldsPasswords(record);
    record.description = std::move(description);
    ULONG currentSize = 0;
    const bool sizeKnown = VerifyImageSize(record, currentSize) != S_FALSE || currentSize != 0;

    PlannedItem planned{CComponentMask::kBIOS, record.name, record.name};
    planned.before = sizeKnown ? std::to_wstring(currentSize) + L" bytes" : L"";
    planned.after = std::to_wstring(record.data.size()) + L" bytes";
    m_context.plan.items.push_back(planned);

    if (FAILED(m_collector.SetEFIVarData(record))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"m_oInstallCollector.SetEFIVarData failed");
    }
    std::wstring oemDefault;
    RETURN_IF_FAILED(GetMatchingOEMDefaultVar(record, oemDefault));
    if (!oemDefault.empty() && record.writable) {
        record.name = oemDefault;
        if (FAILED(m_collector.SetEFIVarData(record))) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"m_oInstallCollector.SetEFIVarData failed");
        }
    }
    return S_OK;
}
CATCH_RETURN()

// A size that differs from the variable's is worth a warning only: the merge keeps the
// bytes past a shorter image, and a longer one grows the variable.
HRESULT CInstallBIOSImage::VerifyImageSize(const EFIVarRecord& record, ULONG& size)
{
    const LogSite site = LOG_SITE(L"CInstallBIOSImage::VerifyImageSize");
    size = 0;
    const HRESULT hr = m_context.variables.QuerySize(record.name, record.guid, size, nullptr);
    if (hr != ResultCode::E_BUFFERTOOSMALL) {
        ReportDiagnostic(LOG_SITE(L"CInstallBIOSImage::GetVariableSize"), LOG_WARNING,
                         L"Failing because of unexpected GetVariable failure");
        ReportDiagnostic(site, LOG_WARNING, L"Failed to obtain the variable size from EFIVar");
        return S_FALSE;
    }
    ReportDiagnostic(LOG_SITE(L"CInstallBIOSImage::GetVariableSize"), LOG_INFORMATION,
                     L"GetVariable returned E_BUFFERTOOSMALL; this is expected, returning S_OK");
    if (size != record.data.size()) {
        ReportDiagnostic(site, LOG_WARNING, L"VariableSize mismatch EFIVarSize %d != %d.", static_cast<int>(size),
                         static_cast<int>(record.data.size()));
        return S_FALSE;
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"Image size verified successfully");
    return S_OK;
}

// "Setup" has its OEM defaults in "OemDefault"; other variables have none.
HRESULT CInstallBIOSImage::GetMatchingOEMDefaultVar(const EFIVarRecord& record, std::wstring& oemDefault) const
{
    oemDefault.clear();
    if (record.name == VariableName::Setup && IsEqualGUID(record.guid, VendorGuid::Setup)) {
        oemDefault = VariableName::OemDefault;
    }
    return S_OK;
}
