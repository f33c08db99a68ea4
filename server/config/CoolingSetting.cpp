#include "CoolingSetting.h"

#include "DataOperation.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

IFACEMETHODIMP CCoolingSetting::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CCoolingSetting::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

HRESULT CreateCoolingSettingClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CCoolingSetting>>(classObject);
}
