// Helpers of the configuration tests: VARIANT builders and the thread's error description.
#pragma once

#include "Owners.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <string>

inline UniqueVariant MakeLong(LONG value)
{
    UniqueVariant result;
    V_VT(result.get()) = VT_I4;
    V_I4(result.get()) = value;
    return result;
}

inline UniqueVariant MakeText(const wchar_t* text)
{
    UniqueVariant result;
    V_VT(result.get()) = VT_BSTR;
    V_BSTR(result.get()) = ::SysAllocString(text);
    return result;
}

inline UniqueVariant MakeObject(IDispatch* object)
{
    UniqueVariant result;
    V_VT(result.get()) = VT_UNKNOWN;
    V_UNKNOWN(result.get()) = object;
    object->AddRef();
    return result;
}

inline std::wstring TextOf(const VARIANT& value)
{
    return V_VT(&value) == VT_BSTR && V_BSTR(&value) ? std::wstring(V_BSTR(&value), ::SysStringLen(V_BSTR(&value)))
                                                     : std::wstring(L"<not text>");
}

// The description of the thread's error object (taking it), empty when none.
inline std::wstring TakeErrorDescription(GUID* guid = nullptr)
{
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, &info) != S_OK || !info) {
        return L"";
    }
    UniqueBstr description;
    info->GetDescription(description.put());
    if (guid) {
        info->GetGUID(guid);
    }
    return description.c_str();
}
