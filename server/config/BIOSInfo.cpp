#include "BIOSInfo.h"

#include "DataOperation.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

IFACEMETHODIMP CBIOSInfo::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CBIOSInfo::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

HRESULT CreateBIOSInfoClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CBIOSInfo>>(classObject);
}
