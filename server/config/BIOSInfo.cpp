#include "BIOSInfo.h"

#include "DataOperation.h"

#include "ClassFactory.h"
#include "IniLineLimit.h"
#include "frame/ObjectMapEntries.h"

IFACEMETHODIMP CBIOSInfo::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CBIOSInfo::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

size_t CBIOSInfo::TextByteLimit() const
{
    // The text item of BIOS information is the reference ID, written as "ReferenceID=" and
    // the text.
    return IniValueByteLimit(L"ReferenceID");
}

HRESULT CreateBIOSInfoClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CBIOSInfo>>(classObject);
}
