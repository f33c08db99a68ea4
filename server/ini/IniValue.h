// One keyword line's keyword and value, as read or as set (not yet normalized).
#pragma once

#include <string>
#include <string_view>

class CIniValue {
public:
    CIniValue(std::wstring keyword, std::wstring value)
        : m_strKeyword(std::move(keyword)), m_strValue(std::move(value))
    {
    }

    const std::wstring& GetKeyWord() const { return m_strKeyword; }
    const std::wstring& GetValue() const { return m_strValue; }
    void SetValue(std::wstring value) { m_strValue = std::move(value); }

    // A keyword line longer than the reader takes at once loses its end to the lines that
    // follow; the lost text is kept here so that a reader of the value can say so.
    void AppendCutText(std::wstring_view text) { m_strCutText.append(text); }
    const std::wstring& GetCutText() const { return m_strCutText; }

private:
    std::wstring m_strKeyword;
    std::wstring m_strValue;
    std::wstring m_strCutText;
};
