// Typed access to an INI file for the builders and the writer: numbers, booleans, prompt
// requests, and opening a file with the folder and creation rules of the server.
#pragma once

#include "IniParser.h"

#include "IniResult.h"

#include <string>
#include <string_view>
#include <vector>

class CPellamParser {
public:
    HRESULT ReadINIFile(const std::wstring& path, bool create);

    HRESULT GetProfileStr(std::wstring_view section, std::wstring_view keyword, std::wstring* value,
                          std::wstring_view defaultValue);
    HRESULT GetProfileLong(std::wstring_view section, std::wstring_view keyword, long* value);
    HRESULT GetPrompt(std::wstring_view section, std::wstring_view keyword, std::wstring* prompt,
                      std::wstring_view defaultPrompt);
    HRESULT GetDuplicateKeyWordStatus(std::wstring_view section, long* flag);
    HRESULT GetSectionNames(std::vector<std::wstring>* names) const;
    HRESULT GetSectionComments(std::wstring_view section, std::vector<std::wstring>* comments) const
    {
        return m_parser.GetSectionComments(section, comments);
    }
    HRESULT GetCutText(std::wstring_view section, std::wstring_view keyword, std::wstring* cut) const
    {
        return m_parser.GetCutText(section, keyword, cut);
    }

    HRESULT SetProfileString(std::wstring_view section, std::wstring_view keyword, std::wstring_view text);
    HRESULT SetProfileLong(std::wstring_view section, std::wstring_view keyword, long value);
    HRESULT SetProfileBool(std::wstring_view section, std::wstring_view keyword, bool value);
    HRESULT SetProfileComment(std::wstring_view section, std::wstring_view text);
    HRESULT DeleteSection(std::wstring_view name);
    HRESULT WriteINIFile(const std::wstring& path);

    CIniParser& Parser() { return m_parser; }

private:
    CIniParser m_parser;
};

// Reads a decimal number the way the C library's conversion to long does (leading blanks,
// a sign, the leading digits); false when there are no digits or the number does not fit.
bool ParseIniLong(std::wstring_view text, long* value);
