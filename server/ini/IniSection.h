// One section: its name, its entries in file order with an index of the first entry of
// each keyword, and its place in the parser's line list (so new lines go after its own).
#pragma once

#include "IniLine.h"
#include "IniValue.h"

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Makes room for one more element, growing geometrically (an exact reserve would copy the
// whole vector on every append).
template <typename Vector>
void ReserveOneMore(Vector& vector)
{
    if (vector.size() == vector.capacity()) {
        vector.reserve(vector.capacity() * 2 + 4);
    }
}

class CIniSection {
public:
    using LineList = std::list<CIniLine>;

    // `headerText` is the header line as read (without its line end), empty for a section
    // that the program creates; it is written back unchanged.
    CIniSection(LineList* lines, std::wstring name, std::wstring headerText);
    CIniSection(const CIniSection&) = delete;
    CIniSection& operator=(const CIniSection&) = delete;

    const std::wstring& GetName() const { return m_strName; }
    const std::wstring& GetHeaderText() const { return m_strHeaderText; }
    long GetDuplicateKeyWordStatus() const { return m_lDuplicateKeyWord; }
    const std::vector<std::unique_ptr<CIniValue>>& GetValues() const { return m_values; }

    // The first entry whose keyword matches (letter case, enclosing quotes and trailing
    // blanks do not count), or null.
    CIniValue* FindValue(std::wstring_view keyword) const;

    // An entry read from the file; the reader appends its line itself. A keyword that is
    // already present sets the duplicate-keyword flag and is stored as well.
    CIniValue* AppendValue(std::wstring keyword, std::wstring value);
    // A new entry whose keyword line goes after the section's last line.
    CIniValue* AddValue(std::wstring keyword, std::wstring value);
    // A writer's comment line (kind 4) after the section's last line.
    void AddComment(std::wstring text);

    LineList::iterator GetLastLine() const { return m_itLastLine; }
    void SetLastLine(LineList::iterator line) { m_itLastLine = line; }

private:
    CIniValue* StoreValue(std::unique_ptr<CIniValue> value, bool withLine);
    LineList::iterator InsertPosition() const;

    LineList* m_pLines;
    LineList::iterator m_itLastLine;
    std::wstring m_strName;
    std::wstring m_strHeaderText;
    std::vector<std::unique_ptr<CIniValue>> m_values;
    std::unordered_map<std::wstring, CIniValue*> m_keyWordIndex;
    long m_lDuplicateKeyWord = 0;
};
