// CSystemCollection<I, ICollection>: an ordered collection of interface pointers, one
// reference held per element, each object at most once. Item counts from 1; the
// enumerator hands out each element as VT_DISPATCH.
#pragma once

#include "frame/FailureReport.h"
#include "InterfaceVariantCopy.h"
#include "MessageIds.h"

// Enumerator.h names connection-point types without including their header.
#include <ocidl.h>

#include "Enumerator.h"
#include "ErrorMacros.h"
#include "frame/ResultCodes.h"
#include "frame/ServerDispatch.h"

#include <unordered_set>
#include <vector>

template <typename I>
struct InterfaceElement {
    using Element = VARIANT;
    using Stored = ComPtr<I>;
    static HRESULT CopyOut(const Stored& stored, VARIANT* out)
    {
        I* const pointer = stored.Get();
        return CInterfaceVariantCopy<I>::copy(out, &pointer);
    }
    static void Clear(VARIANT* element) { ::VariantClear(element); }
};

template <typename I, typename ICollection>
class CSystemCollection final
    : public ComObject<CSystemCollection<I, ICollection>, ServerDispatch<ICollection>, SupportErrorInfoFor<ICollection>> {
public:
    IFACEMETHODIMP get_Count(LONG* count) override
    {
        if (!count) {
            return InvalidPointer(LOG_SITE(L"CSystemCollection::get_Count"));
        }
        *count = static_cast<LONG>(m_elements.size());
        return S_OK;
    }

    IFACEMETHODIMP get_Item(LONG index, I** item) override
    {
        if (!item) {
            return InvalidPointer(LOG_SITE(L"CSystemCollection::get_Item"));
        }
        *item = nullptr;
        if (index <= 0) {
            return REPORT_FAILURE(L"CSystemCollection::get_Item", LOG_ERROR, E_INVALIDARG,
                                  Describe(__uuidof(ICollection), MSG_VALUE_OUT_OF_RANGE), L"The index is out of bounds");
        }
        if (static_cast<size_t>(index) > m_elements.size()) {
            return REPORT_FAILURE(L"CSystemCollection::get_Item", LOG_ERROR, E_FAIL,
                                  Describe(__uuidof(ICollection), MSG_VALUE_OUT_OF_RANGE), L"The index is out of bounds");
        }
        *item = m_elements[index - 1].Get();
        (*item)->AddRef();
        return S_OK;
    }

    IFACEMETHODIMP get__NewEnum(IUnknown** enumerator) override
    try {
        if (!enumerator) {
            return InvalidPointer(LOG_SITE(L"CSystemCollection::get__NewEnum"));
        }
        *enumerator = nullptr;
        auto snapshot = std::make_shared<const std::vector<ComPtr<I>>>(m_elements);
        return Enumerator::CreateObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(enumerator),
                                        std::move(snapshot), size_t{0});
    }
    CATCH_RETURN()

    // Appends `item` with one reference; an object already present is refused.
    HRESULT Add(I* item)
    try {
        if (!item) {
            return REPORT_FAILURE(L"CSystemCollection::Add", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                                  L"Invalid Pointer");
        }
        ComPtr<IUnknown> identity;
        RETURN_IF_FAILED(item->QueryInterface(IID_PPV_ARGS(&identity)));
        if (m_identities.count(identity.Get()) != 0) {
            return REPORT_FAILURE(L"CSystemCollection::Add", LOG_WARNING, ResultCode::E_ALREADY_IN_COLLECTION,
                                  Describe(MSG_INTERNAL_ERROR), L"The item is already in the list.");
        }
        // Room first, so that nothing can fail once the identity is recorded; the room grows
        // by doubling, as a growing vector's does, or a large group would be copied whole
        // on every addition.
        if (m_elements.size() == m_elements.capacity()) {
            m_elements.reserve(m_elements.empty() ? 8 : 2 * m_elements.capacity());
        }
        m_identities.insert(identity.Get());
        m_elements.emplace_back(item);
        return S_OK;
    }
    CATCH_RETURN()

    // S_OK when the object is present, S_FALSE when it is not.
    HRESULT IsElementAlreadyInList(I* item) const
    {
        if (!item) {
            return REPORT_FAILURE(L"CSystemCollection::IsElementAlreadyInList", LOG_ERROR, E_POINTER,
                                  Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
        }
        ComPtr<IUnknown> identity;
        RETURN_IF_FAILED(item->QueryInterface(IID_PPV_ARGS(&identity)));
        return m_identities.count(identity.Get()) != 0 ? S_OK : S_FALSE;
    }

    size_t Size() const { return m_elements.size(); }
    I* ElementAt(size_t position) const { return m_elements[position].Get(); }

private:
    using Enumerator = SnapshotEnumerator<IEnumVARIANT, InterfaceElement<I>>;

    static HRESULT InvalidPointer(const LogSite& site)
    {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(__uuidof(ICollection), MSG_INTERNAL_ERROR),
                               L"Invalid pointer");
    }

    std::vector<ComPtr<I>> m_elements;
    // The elements' identities; an element's reference keeps its identity valid.
    std::unordered_set<IUnknown*> m_identities;
};
