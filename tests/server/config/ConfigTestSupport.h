// Helpers of the configuration tests: VARIANT builders.
#pragma once

#include "TestSupport.h"

#include <oleauto.h>

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
