// An INI file in memory: every line in file order (so comments and layout survive a read
// and write), the sections with their entries, and look-ups by section and keyword that
// use the first match in file order through hash indexes.
#pragma once

#include "IniLine.h"
#include "IniSection.h"

#include "IniLineLimit.h"
#include "IniResult.h"

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CIniParser {
public:
    // Larger files, or files of more lines, are refused: nothing this system writes comes
    // near either limit, and they keep a hostile file from exhausting memory.
    static constexpr size_t kMaxFileBytes = 16u * 1024u * 1024u;
    static constexpr size_t kMaxLines = 1000000;
    // What a written line may hold, without its line end: the reader sees no more at once.
    static constexpr size_t kMaxLineBytes = kIniMaxLineBytes;

    CIniParser();
    ~CIniParser();
    CIniParser(const CIniParser&) = delete;
    CIniParser& operator=(const CIniParser&) = delete;

    HRESULT ReadINIFile(const std::wstring& path);
    // Loads the bytes of a file as ReadINIFile does once it has read them.
    HRESULT ParseFile(std::string_view bytes);
    // Forgets the loaded file, so that another can be read.
    void Reset();
    bool IsLoaded() const { return m_bLoaded; }
    const std::wstring& GetPath() const { return m_strPath; }

    HRESULT GetProfileStr(std::wstring_view section, std::wstring_view keyword, std::wstring* value,
                          std::wstring_view defaultValue);
    HRESULT GetDuplicateKeyWordStatus(std::wstring_view section, long* flag);
    HRESULT ReturnSectionPointer(std::wstring_view section, CIniSection** found);
    // The names of all sections in file order, duplicates included.
    HRESULT GetSectionNames(std::vector<std::wstring>* names) const;
    // The comment lines (those beginning with ";") under the first section of that name, in
    // file order, without their line ends.
    HRESULT GetSectionComments(std::wstring_view section, std::vector<std::wstring>* comments) const;
    // The text a keyword's value lost because its line was longer than a line can be read;
    // empty when the value is whole. S_INI_NO_SECTION or S_INI_NO_KEYWORD when absent.
    HRESULT GetCutText(std::wstring_view section, std::wstring_view keyword, std::wstring* cut) const;

    HRESULT SetProfileString(std::wstring_view section, std::wstring_view keyword, std::wstring_view value);
    HRESULT SetProfileComment(std::wstring_view section, std::wstring_view text);
    HRESULT DeleteSection(std::wstring_view text);

    HRESULT WriteINIFile(const std::wstring& path);
    // The bytes that WriteINIFile puts in the file.
    HRESULT BuildFileBytes(std::string* bytes) const;

    const std::list<CIniLine>& GetLines() const { return m_pDocument->lines; }

private:
    struct Document {
        std::list<CIniLine> lines;
        std::vector<std::unique_ptr<CIniSection>> sections;
        std::unordered_map<std::wstring, CIniSection*> sectionIndex;  // folded name -> first section
    };

    static HRESULT ParseInto(Document& document, std::string_view bytes);
    static HRESULT ParseLine(Document& document, CIniSection*& openSection, std::wstring line);
    static CIniSection* AppendSection(Document& document, std::wstring name, std::wstring headerText);
    CIniSection* FindSection(std::wstring_view name) const;
    HRESULT SetProfileStringUnguarded(std::wstring_view section, std::wstring_view keyword, std::wstring_view value);
    HRESULT AddToNewSection(std::wstring_view section, std::wstring_view keyword, std::wstring_view value);
    void RemoveLastSection();

    std::unique_ptr<Document> m_pDocument;
    std::wstring m_strPath;
    bool m_bLoaded = false;
};
