// Class objects of classes that this build does not offer yet: creating them answers
// CLASS_E_CLASSNOTAVAILABLE. Each entry goes when its class arrives.
#include "ObjectMapEntries.h"

#include <winerror.h>

namespace {
HRESULT NotAvailable(IUnknown** classObject)
{
    if (classObject) {
        *classObject = nullptr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
} // namespace

HRESULT CreateVariantCollectionClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateBIOSImageClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateBIOSInfoClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateSMBIOSSettingClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateCoolingSettingClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateTokensSettingClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateConfigGroupCollectionClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateConfigDataCollectionClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateConfigGroupClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateBiosCapsuleClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateUtilityClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
HRESULT CreateSystemCapabilitiesClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
