#include "SMBIOSSetting.h"

#include "DataOperation.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

IFACEMETHODIMP CSMBIOSSetting::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CSMBIOSSetting::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

HRESULT CreateSMBIOSSettingClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CSMBIOSSetting>>(classObject);
}
