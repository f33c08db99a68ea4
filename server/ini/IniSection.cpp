#include "IniSection.h"

#include "IniText.h"

CIniSection::CIniSection(LineList* lines, std::wstring name, std::wstring headerText)
    : m_pLines(lines), m_itLastLine(lines->end()), m_strName(std::move(name)),
      m_strHeaderText(std::move(headerText))
{
}

CIniValue* CIniSection::FindValue(std::wstring_view keyword) const
{
    auto found = m_keyWordIndex.find(FoldIniName(keyword));
    return found == m_keyWordIndex.end() ? nullptr : found->second;
}

CIniValue* CIniSection::AppendValue(std::wstring keyword, std::wstring value)
{
    return StoreValue(std::make_unique<CIniValue>(std::move(keyword), std::move(value)), false);
}

CIniValue* CIniSection::AddValue(std::wstring keyword, std::wstring value)
{
    return StoreValue(std::make_unique<CIniValue>(std::move(keyword), std::move(value)), true);
}

// Every step that can throw comes before the first change that cannot be undone, so a
// failure leaves the section and the line list as they were.
CIniValue* CIniSection::StoreValue(std::unique_ptr<CIniValue> value, bool withLine)
{
    CIniValue* stored = value.get();
    std::wstring key = FoldIniName(stored->GetKeyWord());
    ReserveOneMore(m_values);
    LineList::iterator line = m_pLines->end();
    if (withLine) {
        line = m_pLines->insert(InsertPosition(), CIniLine(stored));
    }
    try {
        auto [entry, inserted] = m_keyWordIndex.try_emplace(std::move(key), stored);
        if (!inserted) {
            m_lDuplicateKeyWord = 1;
        }
    } catch (...) {
        if (withLine) {
            m_pLines->erase(line);
        }
        throw;
    }
    m_values.push_back(std::move(value));
    if (withLine) {
        m_itLastLine = line;
    }
    return stored;
}

void CIniSection::AddComment(std::wstring text)
{
    m_itLastLine = m_pLines->insert(InsertPosition(), CIniLine(CIniLine::Kind_AddedComment, std::move(text)));
}

CIniSection::LineList::iterator CIniSection::InsertPosition() const
{
    return m_itLastLine == m_pLines->end() ? m_pLines->end() : std::next(m_itLastLine);
}
