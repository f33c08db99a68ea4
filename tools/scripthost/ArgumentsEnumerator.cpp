#include "ArgumentsEnumerator.h"

CArgumentsEnumerator::CArgumentsEnumerator(std::shared_ptr<const std::vector<std::wstring>> arguments, std::size_t position)
    : m_arguments(std::move(arguments)), m_position(position)
{
}

STDMETHODIMP CArgumentsEnumerator::QueryInterface(REFIID iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
        *object = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CArgumentsEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched)
{
    if (!items || (count > 1 && !fetched)) {
        return E_POINTER;
    }
    ULONG done = 0;
    for (; done < count && m_position < m_arguments->size(); ++done, ++m_position) {
        const std::wstring& text = (*m_arguments)[m_position];
        BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!value) {
            for (ULONG i = 0; i < done; ++i) {
                VariantClear(&items[i]);
            }
            return E_OUTOFMEMORY;
        }
        VariantInit(&items[done]);
        V_VT(&items[done]) = VT_BSTR;
        V_BSTR(&items[done]) = value;
    }
    if (fetched) {
        *fetched = done;
    }
    return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP CArgumentsEnumerator::Skip(ULONG count)
{
    const std::size_t left = m_arguments->size() - m_position;
    if (count > left) {
        m_position = m_arguments->size();
        return S_FALSE;
    }
    m_position += count;
    return S_OK;
}

STDMETHODIMP CArgumentsEnumerator::Reset()
{
    m_position = 0;
    return S_OK;
}

STDMETHODIMP CArgumentsEnumerator::Clone(IEnumVARIANT** copy)
{
    if (!copy) {
        return E_POINTER;
    }
    *copy = new (std::nothrow) CArgumentsEnumerator(m_arguments, m_position);
    return *copy ? S_OK : E_OUTOFMEMORY;
}
