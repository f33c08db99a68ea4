// CWeaveModules: the modules of the loaded image as a cursor (Reset, raw_MoveNext,
// GetCurrent) and by index. It starts before the first module.
#pragma once

#include "CapsuleDocument.h"
#include "WeaveDispatch.h"

#include <optional>

class CWeaveModules final : public ComObject<CWeaveModules, WeaveDispatch<IWeaveModules>> {
public:
    static constexpr bool kAggregatable = false;

    explicit CWeaveModules(DocumentPtr document) : m_document(std::move(document)) {}

    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP raw_MoveNext(VARIANT_BOOL* hasCurrent) override;
    IFACEMETHODIMP GetCurrent(IWeaveModule** item) override;
    IFACEMETHODIMP get_Count(LONG* count) override;
    IFACEMETHODIMP get_Item(LONG index, IWeaveModule** item) override;

private:
    HRESULT ModuleCount(size_t& count) const;

    DocumentPtr m_document;
    std::optional<size_t> m_current; // none: before the first module
};
