// VARIANTs of the plain kinds that configuration items hold: a number, a fraction, a switch,
// a text.
#pragma once

#include "ErrorMacros.h"
#include "Owners.h"

#include <string_view>

inline UniqueVariant IntegerVariant(LONG number)
{
    UniqueVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = number;
    return value;
}

inline UniqueVariant DoubleVariant(double number)
{
    UniqueVariant value;
    V_VT(value.get()) = VT_R8;
    V_R8(value.get()) = number;
    return value;
}

inline UniqueVariant BoolVariant(bool on)
{
    UniqueVariant value;
    V_VT(value.get()) = VT_BOOL;
    V_BOOL(value.get()) = on ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

// E_OUTOFMEMORY when the text cannot be copied; `value` is then left as it was.
inline HRESULT TextVariant(std::wstring_view text, UniqueVariant& value)
{
    BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    RETURN_IF_NULL_ALLOC(copy);
    VARIANT* target = value.put();
    V_VT(target) = VT_BSTR;
    V_BSTR(target) = copy;
    return S_OK;
}
