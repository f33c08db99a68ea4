#include "ByRefArguments.h"

#include <cstring>

namespace {

bool NeedsVariantCopy(const VARIANT& argument)
{
    const VARTYPE type = V_VT(&argument);
    return (type & VT_BYREF) && (type & ~VT_BYREF) != VT_VARIANT && !(type & VT_ARRAY) && V_BYREF(&argument);
}

// Writes `value`, converted to the type behind the reference, into that reference.
void StoreThroughReference(VARIANT& reference, const VARIANT& value)
{
    const VARTYPE target = V_VT(&reference) & ~VT_BYREF;
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, target))) {
        return;
    }
    VARIANT old;
    VariantInit(&old);
    // The value behind the reference belongs to the caller; swap it for the converted one
    // and free the old, as a callee that replaces an [in, out] value must.
    V_VT(&old) = target;
    switch (target) {
    case VT_BSTR:
        V_BSTR(&old) = *V_BSTRREF(&reference);
        *V_BSTRREF(&reference) = V_BSTR(&converted);
        break;
    case VT_DISPATCH:
        V_DISPATCH(&old) = *V_DISPATCHREF(&reference);
        *V_DISPATCHREF(&reference) = V_DISPATCH(&converted);
        break;
    case VT_UNKNOWN:
        V_UNKNOWN(&old) = *V_UNKNOWNREF(&reference);
        *V_UNKNOWNREF(&reference) = V_UNKNOWN(&converted);
        break;
    case VT_I1: case VT_UI1: *V_UI1REF(&reference) = V_UI1(&converted); V_VT(&old) = VT_EMPTY; break;
    case VT_I2: case VT_UI2: case VT_BOOL: *V_UI2REF(&reference) = V_UI2(&converted); V_VT(&old) = VT_EMPTY; break;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR:
        *V_UI4REF(&reference) = V_UI4(&converted);
        V_VT(&old) = VT_EMPTY;
        break;
    case VT_R4: *V_R4REF(&reference) = V_R4(&converted); V_VT(&old) = VT_EMPTY; break;
    case VT_R8: case VT_DATE: *V_R8REF(&reference) = V_R8(&converted); V_VT(&old) = VT_EMPTY; break;
    case VT_I8: case VT_UI8: case VT_CY: *V_UI8REF(&reference) = V_UI8(&converted); V_VT(&old) = VT_EMPTY; break;
    default:
        VariantClear(&converted);  // a type we cannot store into: leave the caller's value
        V_VT(&old) = VT_EMPTY;
        return;
    }
    VariantClear(&old);
}

}  // namespace

CByRefArguments::CByRefArguments(const DISPPARAMS& original)
    : m_original(original), m_arguments(original.cArgs), m_copies(original.cArgs), m_handedOut(original.cArgs)
{
    for (UINT i = 0; i < original.cArgs; ++i) {
        VariantInit(&m_copies[i]);
        m_arguments[i] = original.rgvarg[i];  // a shallow copy: the caller still owns the values
        if (NeedsVariantCopy(original.rgvarg[i]) && SUCCEEDED(VariantCopyInd(&m_copies[i], &original.rgvarg[i]))) {
            VariantInit(&m_arguments[i]);
            V_VT(&m_arguments[i]) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&m_arguments[i]) = &m_copies[i];
            m_handedOut[i] = m_copies[i];  // the bits only: m_copies owns the value
        }
    }
    m_parameters = original;
    m_parameters.rgvarg = m_arguments.empty() ? nullptr : m_arguments.data();
}

CByRefArguments::~CByRefArguments()
{
    for (auto& copy : m_copies) {
        VariantClear(&copy);
    }
}

void CByRefArguments::CopyBack()
{
    for (UINT i = 0; i < m_original.cArgs; ++i) {
        if (V_VT(&m_arguments[i]) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&m_arguments[i]) == &m_copies[i] &&
            std::memcmp(&m_copies[i], &m_handedOut[i], sizeof(VARIANT)) != 0) {
            StoreThroughReference(m_original.rgvarg[i], m_copies[i]);
        }
    }
}
