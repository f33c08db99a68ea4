#include "WeaveModules.h"

#include "ErrorMacros.h"
#include "WeaveModule.h"

HRESULT CWeaveModules::ModuleCount(size_t& count) const
{
    RETURN_HR_IF(WEAVE_E_DETACHED, !m_document || !m_document->attached);
    count = m_document->image.modules.size();
    return S_OK;
}

IFACEMETHODIMP CWeaveModules::Reset()
{
    m_current.reset();
    return S_OK;
}

IFACEMETHODIMP CWeaveModules::raw_MoveNext(VARIANT_BOOL* hasCurrent)
{
    RETURN_HR_IF(E_POINTER, !hasCurrent);
    *hasCurrent = VARIANT_FALSE;
    size_t count = 0;
    RETURN_IF_FAILED(ModuleCount(count));
    // The cursor stops one past the last module, so that further calls stay false.
    const size_t next = m_current ? *m_current + 1 : 0;
    m_current = next < count ? next : count;
    *hasCurrent = *m_current < count ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

IFACEMETHODIMP CWeaveModules::GetCurrent(IWeaveModule** item)
try {
    RETURN_HR_IF(E_POINTER, !item);
    *item = nullptr;
    size_t count = 0;
    RETURN_IF_FAILED(ModuleCount(count));
    RETURN_HR_IF(WEAVE_E_NO_CURRENT, !m_current || *m_current >= count);
    return CreateModuleObject(m_document, *m_current, item);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveModules::get_Count(LONG* count)
{
    RETURN_HR_IF(E_POINTER, !count);
    size_t modules = 0;
    RETURN_IF_FAILED(ModuleCount(modules));
    *count = static_cast<LONG>(modules);
    return S_OK;
}

IFACEMETHODIMP CWeaveModules::get_Item(LONG index, IWeaveModule** item)
try {
    RETURN_HR_IF(E_POINTER, !item);
    *item = nullptr;
    size_t count = 0;
    RETURN_IF_FAILED(ModuleCount(count));
    RETURN_HR_IF(E_INVALIDARG, index < 0 || static_cast<size_t>(index) >= count);
    return CreateModuleObject(m_document, static_cast<size_t>(index), item);
}
CATCH_RETURN()
