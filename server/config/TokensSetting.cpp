#include "TokensSetting.h"

#include "DataOperation.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include "ClassFactory.h"
#include "frame/ObjectMapEntries.h"

namespace {

HRESULT NullPointer(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(IID_ITokenConfigData, MSG_INTERNAL_ERROR),
                           L"Invalid pointer");
}

HRESULT GetFlag(bool flag, VARIANT_BOOL* out, const LogSite& site)
{
    if (!out) {
        return NullPointer(site);
    }
    *out = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

} // namespace

IFACEMETHODIMP CTokensSetting::Accept(IDataOperation* operation)
{
    return CDataOperation::AcceptFor(operation, LOG_SITE(L"CTokensSetting::Accept"),
                                     [this](CDataOperation& visitor) { return visitor.ProcessConfigData(this); });
}

IFACEMETHODIMP CTokensSetting::get_Locked(VARIANT_BOOL* locked)
{
    return GetFlag(m_bLocked, locked, LOG_SITE(L"CTokensSetting::get_Locked"));
}

IFACEMETHODIMP CTokensSetting::put_Locked(VARIANT_BOOL locked)
{
    if (!m_bLockable) {
        return REPORT_FAILURE(L"CTokensSetting::put_Locked", LOG_WARNING, ResultCode::E_LOCK_HIDE,
                              Describe(IID_ITokenConfigData, MSG_INVALID_ARGUMENT),
                              L"An attempt was made to lock a non-lockable item");
    }
    const bool value = locked != VARIANT_FALSE;
    m_bLockedChanged = m_bLockedChanged || value != m_bLocked;
    m_bLocked = value;
    return S_OK;
}

IFACEMETHODIMP CTokensSetting::get_Hidden(VARIANT_BOOL* hidden)
{
    return GetFlag(m_bHidden, hidden, LOG_SITE(L"CTokensSetting::get_Hidden"));
}

IFACEMETHODIMP CTokensSetting::put_Hidden(VARIANT_BOOL hidden)
{
    if (!m_bHideable) {
        return REPORT_FAILURE(L"CTokensSetting::put_Hidden", LOG_WARNING, ResultCode::E_LOCK_HIDE,
                              Describe(IID_ITokenConfigData, MSG_INVALID_ARGUMENT),
                              L"An attempt was made to hide a non-hidable item");
    }
    const bool value = hidden != VARIANT_FALSE;
    m_bHiddenChanged = m_bHiddenChanged || value != m_bHidden;
    m_bHidden = value;
    return S_OK;
}

IFACEMETHODIMP CTokensSetting::get_IsLockable(VARIANT_BOOL* lockable)
{
    return GetFlag(m_bLockable, lockable, LOG_SITE(L"CTokensSetting::get_IsLockable"));
}

IFACEMETHODIMP CTokensSetting::get_IsHideable(VARIANT_BOOL* hideable)
{
    return GetFlag(m_bHideable, hideable, LOG_SITE(L"CTokensSetting::get_IsHideable"));
}

IFACEMETHODIMP CTokensSetting::GetStringForValue(LONG lookupValue, BSTR* text)
{
    if (!text) {
        return REPORT_FAILURE(L"CTokensSetting::GetStringForValue", LOG_ERROR, E_POINTER,
                              Describe(IID_ITokenConfigData, MSG_UNKNOWN_ERROR), L"The provided pointer was NULL");
    }
    *text = nullptr;
    const auto found = m_choiceTexts.find(lookupValue);
    if (found == m_choiceTexts.end()) {
        return REPORT_FAILURE(L"CTokensSetting::GetStringForValue", LOG_ERROR, ResultCode::E_VARIABLE_NOT_FOUND,
                              Describe(IID_ITokenConfigData, MSG_INVALID_ARGUMENT),
                              L"Unable to find the specified lookup value: %li", static_cast<long>(lookupValue));
    }
    *text = ::SysAllocStringLen(found->second.data(), static_cast<UINT>(found->second.size()));
    if (!*text) {
        return REPORT_FAILURE(L"CTokensSetting::GetStringForValue", LOG_ERROR, E_FAIL,
                              Describe(IID_ITokenConfigData, MSG_OUT_OF_MEMORY), L"Unable to allocate string memory");
    }
    return S_OK;
}

IFACEMETHODIMP CTokensSetting::get_IsApplicable(VARIANT_BOOL* applicable)
try {
    if (!m_applicable && m_source) {
        bool computed = false;
        if (FAILED(m_source->ComputeApplicability(computed))) {
            return REPORT_FAILURE(L"CTokensSetting::get_IsApplicable", LOG_ERROR, E_FAIL,
                                  Describe(IID_ITokenConfigData, MSG_APPLICABILITY_UNKNOWN_2),
                                  L"Unable to determine applicability for setting: %s", Name().c_str());
        }
        m_applicable = computed;
    }
    return GetFlag(m_applicable.value_or(true), applicable, LOG_SITE(L"CTokensSetting::get_IsApplicable"));
}
CATCH_RETURN()

HRESULT CTokensSetting::AddChoice(LONG value, const VARIANT& text)
try {
    if (V_VT(&text) != VT_BSTR) {
        return REPORT_FAILURE(L"CTokensSetting::AddChoice", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Token choice is not a string type.");
    }
    const BSTR chars = V_BSTR(&text);
    m_choiceTexts[value] = std::wstring(chars ? chars : L"", chars ? ::SysStringLen(chars) : 0);
    UniqueVariant choice;
    V_VT(choice.get()) = VT_I4;
    V_I4(choice.get()) = value;
    RETURN_IF_FAILED(IConfigDataImpl<ITokenConfigData>::AddChoice(*choice.get()));
    return S_OK;
}
CATCH_RETURN()

HRESULT CTokensSetting::GetMapping(LONG value, std::wstring& text) const
try {
    const auto found = m_choiceTexts.find(value);
    if (found == m_choiceTexts.end()) {
        return REPORT_FAILURE(L"CTokensSetting::GetMapping", LOG_ERROR, ResultCode::E_OUT_OF_BOUNDS,
                              Describe(MSG_INTERNAL_ERROR), L"Could not retrieve token mapping.");
    }
    text = found->second;
    return S_OK;
}
CATCH_RETURN()

HRESULT CreateTokensSettingClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CTokensSetting>>(classObject);
}
