#include "BIOSInfo.h"

#include "DataOperation.h"

#include "ClassFactory.h"
#include "IniLineLimit.h"
#include "frame/ObjectMapEntries.h"

#include <string_view>

IFACEMETHODIMP CBIOSInfo::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CBIOSInfo::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

size_t CBIOSInfo::TextByteLimit() const
{
    // The text item of BIOS information is the reference ID, written as "ReferenceID=" and
    // the text.
    constexpr std::wstring_view keyword = L"ReferenceID";
    return kIniMaxLineBytes - keyword.size() - 1;
}

HRESULT CreateBIOSInfoClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CBIOSInfo>>(classObject);
}
