#include "FanControlConfiguration.h"

#include "VariableCatalogue.h"

#include "frame/ResultCodes.h"

const wchar_t* FanControlConfiguration(IFirmwareVariables& variables)
{
    struct Variable {
        const wchar_t* name;
        const GUID* vendor;
    };
    static const Variable kVariables[] = {
        {VariableName::FscConfigVar, &VendorGuid::FscConfigVar},
        {VariableName::FscDefConfigVar, &VendorGuid::FscDefConfigVar},
    };
    for (const Variable& variable : kVariables) {
        ULONG size = 0;
        const HRESULT hr = variables.QuerySize(variable.name, *variable.vendor, size, nullptr);
        if (hr == ResultCode::E_BUFFERTOOSMALL || SUCCEEDED(hr)) {
            return variable.name;
        }
    }
    return nullptr;
}
