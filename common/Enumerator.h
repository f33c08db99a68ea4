// Enumerators over a snapshot of elements (IEnumVARIANT, IEnumConnections,
// IEnumConnectionPoints). Clones share the snapshot and keep their own position.
#pragma once

#include "ComObject.h"
#include "Owners.h"

#include <ocidl.h>

#include <memory>
#include <vector>

struct VariantElement {
    using Element = VARIANT;
    using Stored = std::shared_ptr<UniqueVariant>;
    static HRESULT CopyOut(const Stored& stored, VARIANT* out)
    {
        ::VariantInit(out);
        return ::VariantCopy(out, const_cast<VARIANT*>(stored->get()));
    }
    static void Clear(VARIANT* element) { ::VariantClear(element); }
};

struct ConnectionElement {
    using Element = CONNECTDATA;
    struct Stored {
        ComPtr<IUnknown> sink;
        DWORD cookie;
    };
    static HRESULT CopyOut(const Stored& stored, CONNECTDATA* out)
    {
        out->pUnk = stored.sink.Get();
        out->pUnk->AddRef();
        out->dwCookie = stored.cookie;
        return S_OK;
    }
    static void Clear(CONNECTDATA* element) { element->pUnk->Release(); }
};

struct ConnectionPointElement {
    using Element = IConnectionPoint*;
    using Stored = ComPtr<IConnectionPoint>;
    static HRESULT CopyOut(const Stored& stored, IConnectionPoint** out)
    {
        *out = stored.Get();
        (*out)->AddRef();
        return S_OK;
    }
    static void Clear(IConnectionPoint** element) { (*element)->Release(); }
};

template <typename IEnum, typename Traits>
class SnapshotEnumerator final : public ComObject<SnapshotEnumerator<IEnum, Traits>, IEnum> {
public:
    using Element = typename Traits::Element;
    using Elements = std::vector<typename Traits::Stored>;

    explicit SnapshotEnumerator(std::shared_ptr<const Elements> elements, size_t position = 0)
        : m_elements(std::move(elements)), m_position(position)
    {
    }

    IFACEMETHODIMP Next(ULONG count, Element* out, ULONG* fetched) override
    {
        if (!out || (count > 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG done = 0;
        while (done < count && m_position < m_elements->size()) {
            HRESULT hr = Traits::CopyOut((*m_elements)[m_position], &out[done]);
            if (FAILED(hr)) {
                for (ULONG i = 0; i < done; ++i) {
                    Traits::Clear(&out[i]);
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
    IFACEMETHODIMP Skip(ULONG count) override
    {
        const size_t left = m_elements->size() - m_position;
        m_position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    IFACEMETHODIMP Reset() override
    {
        m_position = 0;
        return S_OK;
    }
    IFACEMETHODIMP Clone(IEnum** clone) override
    {
        return SnapshotEnumerator::CreateObject(nullptr, __uuidof(IEnum), reinterpret_cast<void**>(clone),
                                                  m_elements, m_position);
    }

private:
    std::shared_ptr<const Elements> m_elements;
    size_t m_position;
};

using VariantEnumerator = SnapshotEnumerator<IEnumVARIANT, VariantElement>;
