#include "CallArguments.h"

#include "Owners.h"

CCallArguments::CCallArguments(const DISPPARAMS* parameters)
    : m_parameters(parameters),
      m_count(parameters && parameters->cArgs > parameters->cNamedArgs ? parameters->cArgs - parameters->cNamedArgs : 0)
{
}

// Named arguments (such as the "this" JScript may add) sit at the front of rgvarg; the
// positional ones follow in reverse order.
VARIANT& CCallArguments::At(UINT index) const
{
    return m_parameters->rgvarg[m_parameters->cArgs - 1 - index];
}

bool CCallArguments::IsMissing(UINT index) const
{
    if (index >= m_count) {
        return true;
    }
    const VARIANT& argument = At(index);
    return V_VT(&argument) == VT_ERROR && V_ERROR(&argument) == DISP_E_PARAMNOTFOUND;
}

HRESULT CCallArguments::GetString(UINT index, std::wstring& value) const
{
    if (IsMissing(index)) {
        return DISP_E_PARAMNOTFOUND;
    }
    UniqueVariant converted;
    const HRESULT hr = VariantChangeType(converted.put(), &At(index), 0, VT_BSTR);
    if (FAILED(hr)) {
        return hr;
    }
    const BSTR text = V_BSTR(converted.get());
    value.assign(text ? text : L"", text ? SysStringLen(text) : 0);
    return S_OK;
}

HRESULT CCallArguments::GetLong(UINT index, LONG& value) const
{
    if (IsMissing(index)) {
        return DISP_E_PARAMNOTFOUND;
    }
    UniqueVariant converted;
    const HRESULT hr = VariantChangeType(converted.put(), &At(index), 0, VT_I4);
    if (FAILED(hr)) {
        return hr;
    }
    value = V_I4(converted.get());
    return S_OK;
}

HRESULT CCallArguments::GetObject(UINT index, IUnknown** value) const
{
    *value = nullptr;
    if (IsMissing(index)) {
        return DISP_E_PARAMNOTFOUND;
    }
    UniqueVariant plain;
    HRESULT hr = VariantCopyInd(plain.put(), &At(index));
    if (FAILED(hr)) {
        return hr;
    }
    IUnknown* object = nullptr;
    if (V_VT(plain.get()) == VT_DISPATCH) {
        object = V_DISPATCH(plain.get());
    } else if (V_VT(plain.get()) == VT_UNKNOWN) {
        object = V_UNKNOWN(plain.get());
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    if (!object) {
        return E_POINTER;
    }
    object->AddRef();
    *value = object;
    return S_OK;
}

HRESULT RaiseDispatchError(EXCEPINFO* exception, HRESULT code, const std::wstring& description)
{
    if (!exception) {
        return code;
    }
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(L"scripthost");
    exception->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    exception->scode = code;
    return DISP_E_EXCEPTION;
}
