#pragma once
// Owners for the automation types the host passes around, so that every path releases them.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

class CBstr {
public:
    CBstr() = default;
    explicit CBstr(std::wstring_view text)
        : m_value(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~CBstr() { SysFreeString(m_value); }
    CBstr(CBstr&& other) noexcept : m_value(std::exchange(other.m_value, nullptr)) {}
    CBstr& operator=(CBstr&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.m_value, nullptr));
        }
        return *this;
    }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;

    BSTR get() const { return m_value; }
    BSTR* put()
    {
        reset();
        return &m_value;
    }
    // For [in, out] arguments: the callee may free the current value and store another.
    BSTR* address_of() { return &m_value; }
    BSTR release() { return std::exchange(m_value, nullptr); }
    void reset(BSTR value = nullptr)
    {
        SysFreeString(m_value);
        m_value = value;
    }
    std::wstring str() const { return m_value ? std::wstring(m_value, SysStringLen(m_value)) : std::wstring(); }

private:
    BSTR m_value = nullptr;
};

class CVariant {
public:
    CVariant() { VariantInit(&m_value); }
    ~CVariant() { VariantClear(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    VARIANT& get() { return m_value; }
    const VARIANT& get() const { return m_value; }
    VARIANT* put()
    {
        VariantClear(&m_value);
        return &m_value;
    }
    // Hands the value to a caller-owned VARIANT (an [out] parameter) and leaves this one empty.
    void detach_to(VARIANT* target)
    {
        *target = m_value;
        VariantInit(&m_value);
    }

private:
    VARIANT m_value;
};

// Frees the strings an EXCEPINFO holds, whoever filled it.
class CExcepInfo {
public:
    CExcepInfo() { clear_fields(); }
    ~CExcepInfo() { reset(); }
    CExcepInfo(const CExcepInfo&) = delete;
    CExcepInfo& operator=(const CExcepInfo&) = delete;

    EXCEPINFO* put()
    {
        reset();
        return &m_value;
    }
    // Runs the deferred fill-in some servers leave for the caller.
    EXCEPINFO& filled()
    {
        if (m_value.pfnDeferredFillIn) {
            auto fill = m_value.pfnDeferredFillIn;
            m_value.pfnDeferredFillIn = nullptr;
            fill(&m_value);
        }
        return m_value;
    }
    void reset()
    {
        SysFreeString(m_value.bstrSource);
        SysFreeString(m_value.bstrDescription);
        SysFreeString(m_value.bstrHelpFile);
        clear_fields();
    }

private:
    void clear_fields() { m_value = EXCEPINFO{}; }
    EXCEPINFO m_value;
};
