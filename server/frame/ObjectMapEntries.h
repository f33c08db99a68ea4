// The object map: the classes of the server in registration order.
#pragma once

#include <windows.h>
#include <unknwn.h>

HRESULT CreateToolkitClassObject(IUnknown** classObject);
HRESULT CreateVariantCollectionClassObject(IUnknown** classObject);
HRESULT CreateBIOSImageClassObject(IUnknown** classObject);
HRESULT CreateBIOSInfoClassObject(IUnknown** classObject);
HRESULT CreateSMBIOSSettingClassObject(IUnknown** classObject);
HRESULT CreateCoolingSettingClassObject(IUnknown** classObject);
HRESULT CreateTokensSettingClassObject(IUnknown** classObject);
HRESULT CreateConfigGroupCollectionClassObject(IUnknown** classObject);
HRESULT CreateConfigDataCollectionClassObject(IUnknown** classObject);
HRESULT CreateConfigGroupClassObject(IUnknown** classObject);
HRESULT CreateBiosCapsuleClassObject(IUnknown** classObject);
HRESULT CreateUtilityClassObject(IUnknown** classObject);
HRESULT CreateSystemCapabilitiesClassObject(IUnknown** classObject);
