// One line of the file in file order. A section header or keyword line refers to the
// object that holds its data (so a changed value is written where it was read); comment
// lines own their text.
#pragma once

#include <string>

class CIniSection;
class CIniValue;

class CIniLine {
public:
    enum Kind : int {
        Kind_Section = 1,
        Kind_KeyWord = 2,
        Kind_FileComment = 3,   // comment, blank or invalid line read from the file, with its line feed
        Kind_AddedComment = 4,  // comment added by a writer, without line feed
    };

    explicit CIniLine(CIniSection* section) : m_kind(Kind_Section), m_pSection(section) {}
    explicit CIniLine(CIniValue* value) : m_kind(Kind_KeyWord), m_pValue(value) {}
    CIniLine(Kind kind, std::wstring text) : m_kind(kind), m_strText(std::move(text)) {}

    Kind GetKind() const { return m_kind; }
    CIniSection* GetSection() const { return m_pSection; }
    CIniValue* GetValue() const { return m_pValue; }
    const std::wstring& GetText() const { return m_strText; }

private:
    Kind m_kind;
    CIniSection* m_pSection = nullptr;
    CIniValue* m_pValue = nullptr;
    std::wstring m_strText;
};
