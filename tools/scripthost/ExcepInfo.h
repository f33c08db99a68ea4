#pragma once
// Frees the strings an EXCEPINFO holds, whoever filled it.
#include <windows.h>
#include <oleauto.h>

class CExcepInfo {
public:
    CExcepInfo() = default;
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
        m_value = EXCEPINFO{};
    }

private:
    EXCEPINFO m_value{};
};
