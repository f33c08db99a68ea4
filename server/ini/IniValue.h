// One keyword line's keyword and value, as read or as set (not yet normalized).
#pragma once

#include <string>

class CIniValue {
public:
    CIniValue(std::wstring keyword, std::wstring value)
        : m_strKeyword(std::move(keyword)), m_strValue(std::move(value))
    {
    }

    const std::wstring& GetKeyWord() const { return m_strKeyword; }
    const std::wstring& GetValue() const { return m_strValue; }
    void SetValue(std::wstring value) { m_strValue = std::move(value); }

private:
    std::wstring m_strKeyword;
    std::wstring m_strValue;
};
