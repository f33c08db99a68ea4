// The enumerator of a CVariantCollection: it keeps the collection alive and reads its
// current elements, so changes made while enumerating are seen.
#pragma once

#include "VariantCollection.h"

class CVariantCollectionEnumerator final : public ComObject<CVariantCollectionEnumerator, IEnumVARIANT> {
public:
    CVariantCollectionEnumerator(ComPtr<CVariantCollection> collection, size_t position)
        : m_collection(std::move(collection)), m_position(position)
    {
    }

    IFACEMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override;
    IFACEMETHODIMP Skip(ULONG count) override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP Clone(IEnumVARIANT** clone) override;

private:
    ComPtr<CVariantCollection> m_collection;
    size_t m_position;
};
