// CVariantCollection (Server.ConfigChoiceCollection.1): an ordered sequence of VARIANTs that
// holds the choices and ordered lists of configuration items. Item counts from 1, as
// automation collections do; Swap, Insert and Remove count from 0, as ordered-list editors do.
#pragma once

#include "frame/ServerDispatch.h"

#include "Owners.h"

#include <vector>

class CVariantCollection final
    : public ComObject<CVariantCollection, ServerDispatch<IVariantCollection>, SupportErrorInfoFor<IVariantCollection>> {
public:
    // IVariantCollection
    IFACEMETHODIMP get_Count(LONG* count) override;
    IFACEMETHODIMP get_Item(LONG index, VARIANT* item) override;
    IFACEMETHODIMP get__NewEnum(IUnknown** enumerator) override;
    IFACEMETHODIMP Swap(int indexOne, int indexTwo) override;
    IFACEMETHODIMP Insert(int index, VARIANT item) override;
    IFACEMETHODIMP Remove(int index) override;
    IFACEMETHODIMP Add(VARIANT item) override;
    IFACEMETHODIMP Clear() override;

    // S_OK when an element equals `value` (a copy of it goes to `match` when given),
    // S_FALSE when none does, a failure when `match` cannot be filled.
    HRESULT IsElementAlreadyInList(const VARIANT& value, VARIANT* match = nullptr) const;

    // In-process access for copies and for the live enumerator.
    size_t Size() const { return m_elements.size(); }
    const VARIANT& ElementAt(size_t position) const { return *m_elements[position].get(); }
    // Exchanges the whole sequence with another collection's (never fails).
    void SwapContents(CVariantCollection& other) noexcept { m_elements.swap(other.m_elements); }

private:
    std::vector<UniqueVariant> m_elements;
};

// The value that a stored VARIANT holds, with references followed; what collections and
// items store, since a script's by-reference argument points into the script's own memory.
HRESULT CopyVariantValue(const VARIANT& source, UniqueVariant& target);
