#include "SystemCapabilities.h"

#include "ClassFactory.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ObjectMapEntries.h"
#include "MessageIds.h"

namespace {

// The platform probes that answer these questions come with system validation; until then
// each question is refused as not supported in this version.
HRESULT NotSupported(const LogSite& site, VARIANT_BOOL* value)
{
    if (value) {
        *value = VARIANT_FALSE;
    }
    return ReportFailureAt(site, LOG_ERROR, E_NOTIMPL, Describe(IID_ISystemCapabilities, MSG_NOT_SUPPORTED_IN_VERSION),
                           L"Failure:  Exiting function (0x%08lX, message %u)", static_cast<unsigned long>(E_NOTIMPL),
                           static_cast<unsigned>(MSG_NOT_SUPPORTED_IN_VERSION));
}

} // namespace

IFACEMETHODIMP CSystemCapabilities::get_isSarn(VARIANT_BOOL* value)
{
    return NotSupported(LOG_SITE(L"CSystemCapabilities::get_isSarn"), value);
}

IFACEMETHODIMP CSystemCapabilities::get_isMobile(VARIANT_BOOL* value)
{
    return NotSupported(LOG_SITE(L"CSystemCapabilities::get_isMobile"), value);
}

IFACEMETHODIMP CSystemCapabilities::get_SupportsTokenApplicability(VARIANT_BOOL* value)
{
    return NotSupported(LOG_SITE(L"CSystemCapabilities::get_SupportsTokenApplicability"), value);
}

HRESULT CreateSystemCapabilitiesClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CSystemCapabilities>>(classObject);
}
