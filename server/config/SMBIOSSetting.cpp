#include "SMBIOSSetting.h"

#include "DataOperation.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

IFACEMETHODIMP CSMBIOSSetting::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CSMBIOSSetting::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

HRESULT CSMBIOSSetting::MakeForRow(const SMBIOSRow& row, ComPtr<CSMBIOSSetting>& item)
{
    const HRESULT hr = Make(item);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CSMBIOSSetting::MakeForRow", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to create SMBIOS setting.  hr=%x", static_cast<unsigned>(hr));
    }
    item->SetDataID(SMBIOSDataID(row));
    RETURN_IF_FAILED(item->SetName(row.nameMessage));
    item->SetType(EConfigType_String);
    item->SetIncrement(1);
    return S_OK;
}

size_t CSMBIOSSetting::TextByteLimit() const
{
    std::wstring dataId;
    if (FAILED(GetDataID(&dataId))) {
        return 0;
    }
    // An item of no row is refused by every writer whatever its text.
    const SMBIOSRow* row = FindSMBIOSRow(dataId);
    return row ? SMBIOSValueByteLimit(*row) : 0;
}

HRESULT CreateSMBIOSSettingClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CSMBIOSSetting>>(classObject);
}
