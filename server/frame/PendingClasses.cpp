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

HRESULT CreateSystemCapabilitiesClassObject(IUnknown** classObject) { return NotAvailable(classObject); }
