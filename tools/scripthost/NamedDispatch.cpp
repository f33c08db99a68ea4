#include "NamedDispatch.h"

#include "ErrorMacros.h"

STDMETHODIMP CNamedDispatch::GetTypeInfoCount(UINT* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

STDMETHODIMP CNamedDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) {
        *info = nullptr;
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CNamedDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!names || !ids || count == 0) {
        return E_INVALIDARG;
    }
    // Our members take no named arguments, so every name after the first is unknown.
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
    }
    if (!names[0]) {
        return DISP_E_UNKNOWNNAME;
    }
    for (const auto& member : m_members) {
        if (CompareStringOrdinal(names[0], -1, member.name, -1, TRUE) == CSTR_EQUAL) {
            ids[0] = member.id;
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CNamedDispatch::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
    EXCEPINFO* exception, UINT*)
{
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (!parameters) {
        return E_INVALIDARG;
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        return DISP_E_MEMBERNOTFOUND;  // nothing here is writable
    }
    if (result) {
        VariantInit(result);
    }
    try {
        return InvokeMember(id, flags, CCallArguments(parameters), result, exception);
    }
    CATCH_RETURN()
}

HRESULT ReturnString(VARIANT* result, const std::wstring& text)
{
    if (!result) {
        return S_OK;
    }
    BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!value) {
        return E_OUTOFMEMORY;
    }
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = value;
    return S_OK;
}

HRESULT ReturnLong(VARIANT* result, LONG value)
{
    if (result) {
        V_VT(result) = VT_I4;
        V_I4(result) = value;
    }
    return S_OK;
}

HRESULT ReturnObject(VARIANT* result, IDispatch* object)
{
    if (result) {
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = object;
        if (object) {
            object->AddRef();
        }
    }
    return S_OK;
}
