#include "VariantCollection.h"

#include "frame/FailureReport.h"
#include "MessageIds.h"
#include "VariantCollectionEnumerator.h"

#include "ClassFactory.h"
#include "ErrorMacros.h"
#include "frame/ObjectMapEntries.h"
#include "frame/ResultCodes.h"

#include <utility>

namespace {

HRESULT InvalidPointer(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(IID_IVariantCollection, MSG_INTERNAL_ERROR),
                           L"Invalid pointer");
}

bool IsPosition(int index, size_t size)
{
    return index >= 0 && static_cast<size_t>(index) < size;
}

// Equality of a candidate (already coerced to the element's type) and an element.
bool SameValue(VARIANT& coerced, VARIANT& element)
{
    if (V_VT(&element) == VT_BSTR) {
        const BSTR left = V_BSTR(&coerced);
        const BSTR right = V_BSTR(&element);
        return ::CompareStringOrdinal(left ? left : L"", static_cast<int>(::SysStringLen(left)), right ? right : L"",
                                      static_cast<int>(::SysStringLen(right)), TRUE) == CSTR_EQUAL;
    }
    if (V_VT(&coerced) == VT_NULL && V_VT(&element) == VT_NULL) {
        return true;
    }
    return V_VT(&coerced) == V_VT(&element) && ::VarCmp(&coerced, &element, LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

} // namespace

HRESULT CopyVariantValue(const VARIANT& source, UniqueVariant& target)
{
    return ::VariantCopyInd(target.put(), const_cast<VARIANT*>(&source));
}

IFACEMETHODIMP CVariantCollection::get_Count(LONG* count)
{
    if (!count) {
        return InvalidPointer(LOG_SITE(L"CVariantCollection::get_Count"));
    }
    *count = static_cast<LONG>(m_elements.size());
    return S_OK;
}

IFACEMETHODIMP CVariantCollection::get_Item(LONG index, VARIANT* item)
{
    if (!item) {
        return InvalidPointer(LOG_SITE(L"CVariantCollection::get_Item"));
    }
    ::VariantInit(item);
    if (index <= 0) {
        return REPORT_FAILURE(L"CVariantCollection::get_Item", LOG_ERROR, E_INVALIDARG,
                              Describe(IID_IVariantCollection, MSG_VALUE_OUT_OF_RANGE), L"The index is out of bounds");
    }
    if (static_cast<size_t>(index) > m_elements.size()) {
        return REPORT_FAILURE(L"CVariantCollection::get_Item", LOG_ERROR, E_FAIL,
                              Describe(IID_IVariantCollection, MSG_VALUE_OUT_OF_RANGE), L"The index is out of bounds");
    }
    return ::VariantCopy(item, m_elements[index - 1].get());
}

IFACEMETHODIMP CVariantCollection::get__NewEnum(IUnknown** enumerator)
{
    if (!enumerator) {
        return InvalidPointer(LOG_SITE(L"CVariantCollection::get__NewEnum"));
    }
    return CVariantCollectionEnumerator::CreateObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(enumerator),
                                                      ComPtr<CVariantCollection>(this), size_t{0});
}

IFACEMETHODIMP CVariantCollection::Swap(int indexOne, int indexTwo)
{
    if (!IsPosition(indexOne, m_elements.size()) || !IsPosition(indexTwo, m_elements.size())) {
        return REPORT_FAILURE(L"CVariantCollection::Swap", LOG_ERROR, ResultCode::E_OUT_OF_BOUNDS,
                              Describe(IID_IVariantCollection, MSG_INI_VALUE_OUT_OF_RANGE),
                              L"An index value is out of bounds");
    }
    std::swap(m_elements[indexOne], m_elements[indexTwo]);
    return S_OK;
}

IFACEMETHODIMP CVariantCollection::Insert(int index, VARIANT item)
try {
    if (index < 0 || static_cast<size_t>(index) > m_elements.size()) {
        return REPORT_FAILURE(L"CVariantCollection::Insert", LOG_ERROR, ResultCode::E_OUT_OF_BOUNDS,
                              Describe(IID_IVariantCollection, MSG_INI_VALUE_OUT_OF_RANGE),
                              L"The index is out of bounds");
    }
    UniqueVariant copy;
    RETURN_IF_FAILED(CopyVariantValue(item, copy));
    m_elements.insert(m_elements.begin() + index, std::move(copy));
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CVariantCollection::Remove(int index)
{
    if (!IsPosition(index, m_elements.size())) {
        return REPORT_FAILURE(L"CVariantCollection::Remove", LOG_ERROR, ResultCode::E_OUT_OF_BOUNDS,
                              Describe(IID_IVariantCollection, MSG_VALUE_OUT_OF_RANGE), L"The index is out of bounds");
    }
    m_elements.erase(m_elements.begin() + index);
    return S_OK;
}

IFACEMETHODIMP CVariantCollection::Add(VARIANT item)
try {
    UniqueVariant copy;
    RETURN_IF_FAILED(CopyVariantValue(item, copy));
    m_elements.push_back(std::move(copy));
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CVariantCollection::Clear()
{
    m_elements.clear();
    return S_OK;
}

HRESULT CVariantCollection::IsElementAlreadyInList(const VARIANT& value, VARIANT* match) const
{
    UniqueVariant candidate;
    if (FAILED(CopyVariantValue(value, candidate))) {
        return E_FAIL;
    }
    for (const UniqueVariant& stored : m_elements) {
        VARIANT& element = const_cast<VARIANT&>(*stored.get());
        // Anything coerces to empty or null; such an element only equals a value of its kind.
        if ((V_VT(&element) == VT_EMPTY || V_VT(&element) == VT_NULL) && V_VT(candidate.get()) != V_VT(&element)) {
            continue;
        }
        UniqueVariant coerced;
        if (FAILED(::VariantChangeType(coerced.get(), candidate.get(), 0, V_VT(&element)))) {
            ReportDiagnostic(LOG_SITE(L"CVariantCollection::IsElementAlreadyInList"), LOG_WARNING,
                             L"Unable to coerce value");
            continue;
        }
        if (!SameValue(*coerced.get(), element)) {
            continue;
        }
        if (match) {
            if (FAILED(::VariantClear(match))) {
                return REPORT_FAILURE(L"CVariantCollection::IsElementAlreadyInList", LOG_ERROR, E_FAIL,
                                      Describe(MSG_INTERNAL_ERROR), L"Unable to detach variant");
            }
            return ::VariantCopy(match, &element);
        }
        return S_OK;
    }
    return S_FALSE;
}

HRESULT CreateVariantCollectionClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CVariantCollection>>(classObject);
}
