#include "SystemCapabilities.h"

#include "QrvRecords.h"
#include "SarnQRVData.h"
#include "SystemValidator.h"

#include "ClassFactory.h"
#include "ErrorMacros.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ObjectMapEntries.h"
#include "frame/ResultCodes.h"
#include "MessageIds.h"

#include <vector>

namespace {

// The mobile record is a mark: its 8-byte header and nothing more.
constexpr ULONG kMobileRecordSize = 8;

HRESULT InvalidPointer(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(IID_ISystemCapabilities, MSG_INTERNAL_ERROR),
                           L"Invalid pointer");
}

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

} // namespace

IFACEMETHODIMP CSystemCapabilities::get_isSarn(VARIANT_BOOL* value)
try {
    if (!value) {
        return InvalidPointer(LOG_SITE(L"CSystemCapabilities::get_isSarn"));
    }
    *value = ToVariantBool(CSystemValidator().CheckForSecureSMBIOS());
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CSystemCapabilities::get_isMobile(VARIANT_BOOL* value)
try {
    if (!value) {
        return InvalidPointer(LOG_SITE(L"CSystemCapabilities::get_isMobile"));
    }
    BYTE record[kMobileRecordSize] = {};
    ULONG size = sizeof record;
    *value = ToVariantBool(SUCCEEDED(CSarnQRVData(QRV_RECORD_MOBILE).ReadFromBIOS(record, &size)));
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CSystemCapabilities::get_SupportsTokenApplicability(VARIANT_BOOL* value)
try {
    const LogSite site = LOG_SITE(L"CSystemCapabilities::get_SupportsTokenApplicability");
    if (!value) {
        return InvalidPointer(site);
    }
    *value = VARIANT_FALSE;
    CSarnQRVData data(QRV_RECORD_EQ_VAR_VAL);
    ULONG size = 0;
    const HRESULT hr = data.ReadFromBIOS(nullptr, &size);
    if (SUCCEEDED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(IID_ISystemCapabilities, MSG_INTERNAL_ERROR),
                               L"Buffer size of 0 was accepted");
    }
    if (hr != ResultCode::E_BUFFERTOOSMALL) {
        // No record, no variable, or one that cannot be read (logged where it was found):
        // the board offers no applicability data, as isMobile answers for its record.
        ReportDiagnostic(site, LOG_INFORMATION, L"No platform values for token applicability: %lx",
                         static_cast<unsigned long>(hr));
        return S_OK;
    }
    std::vector<BYTE> record(size);
    *value = ToVariantBool(SUCCEEDED(data.ReadFromBIOS(record.data(), &size)));
    return S_OK;
}
CATCH_RETURN()

HRESULT CreateSystemCapabilitiesClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CSystemCapabilities>>(classObject);
}
