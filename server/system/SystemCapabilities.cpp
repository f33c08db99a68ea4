#include "SystemCapabilities.h"

#include "ClassFactory.h"
#include "frame/ErrorInfoManager.h"
#include "frame/ObjectMapEntries.h"

namespace {

// The platform probes that answer these questions come with system validation; until then
// each question is refused as not supported in this version.
HRESULT NotSupported(const wchar_t* function, VARIANT_BOOL* value)
{
    if (value) {
        *value = VARIANT_FALSE;
    }
    return ReportComFailure(LogSite{function, DiagnosticsSourceName(TOOLKIT_WIDEN(__FILE__)), __LINE__}, E_NOTIMPL,
                            IID_ISystemCapabilities, 136);
}

} // namespace

IFACEMETHODIMP CSystemCapabilities::get_isSarn(VARIANT_BOOL* value)
{
    return NotSupported(L"CSystemCapabilities::get_isSarn", value);
}

IFACEMETHODIMP CSystemCapabilities::get_isMobile(VARIANT_BOOL* value)
{
    return NotSupported(L"CSystemCapabilities::get_isMobile", value);
}

IFACEMETHODIMP CSystemCapabilities::get_SupportsTokenApplicability(VARIANT_BOOL* value)
{
    return NotSupported(L"CSystemCapabilities::get_SupportsTokenApplicability", value);
}

HRESULT CreateSystemCapabilitiesClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CSystemCapabilities>>(classObject);
}
