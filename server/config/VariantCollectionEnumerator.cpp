#include "VariantCollectionEnumerator.h"

IFACEMETHODIMP CVariantCollectionEnumerator::Next(ULONG count, VARIANT* out, ULONG* fetched)
{
    if (!out || (count > 1 && !fetched)) {
        return E_POINTER;
    }
    ULONG done = 0;
    while (done < count && m_position < m_collection->Size()) {
        ::VariantInit(&out[done]);
        const HRESULT hr = ::VariantCopy(&out[done], const_cast<VARIANT*>(&m_collection->ElementAt(m_position)));
        if (FAILED(hr)) {
            for (ULONG i = 0; i < done; ++i) {
                ::VariantClear(&out[i]);
            }
            if (fetched) {
                *fetched = 0;
            }
            return hr;
        }
        ++done;
        ++m_position;
    }
    if (fetched) {
        *fetched = done;
    }
    return done == count ? S_OK : S_FALSE;
}

IFACEMETHODIMP CVariantCollectionEnumerator::Skip(ULONG count)
{
    const size_t size = m_collection->Size();
    const size_t left = m_position < size ? size - m_position : 0;
    m_position += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

IFACEMETHODIMP CVariantCollectionEnumerator::Reset()
{
    m_position = 0;
    return S_OK;
}

IFACEMETHODIMP CVariantCollectionEnumerator::Clone(IEnumVARIANT** clone)
{
    return CreateObject(nullptr, IID_IEnumVARIANT, reinterpret_cast<void**>(clone), m_collection, m_position);
}
