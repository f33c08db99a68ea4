#include "PellamParser.h"

#include "IniReport.h"
#include "IniResult.h"
#include "IniText.h"
#include "MessageIds.h"

#include <filesystem>
#include <limits>
#include <new>

namespace {

bool IsMissing(HRESULT hr)
{
    return hr == ResultCode::S_INI_NO_SECTION || hr == ResultCode::S_INI_NO_KEYWORD;
}

bool IsAtolSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// A bare file name is taken from the current directory; a folder part must exist.
HRESULT ResolvePath(const std::wstring& path, std::wstring* fullPath)
{
    std::filesystem::path given(path);
    std::error_code error;
    if (given.has_parent_path()) {
        if (!std::filesystem::is_directory(given.parent_path(), error)) {
            IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INVALID_INI_DIRECTORY,
                      L"Invalid directory specified %ls", path.c_str());
            return ResultCode::E_INVALID_INI_DIRECTORY;
        }
        *fullPath = path;
        return S_OK;
    }
    std::filesystem::path current = std::filesystem::current_path(error);
    if (error) {
        IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INVALID_INI_DIRECTORY,
                  L"The current directory cannot be obtained");
        return ResultCode::E_INVALID_INI_DIRECTORY;
    }
    *fullPath = current.wstring() + L"\\" + path;
    return S_OK;
}

// Names that Windows takes for a device in every folder (CON, NUL.INI, COM1, ...).
bool IsDeviceName(const std::filesystem::path& path)
{
    std::wstring stem = path.filename().wstring();
    stem = UpperAscii(stem.substr(0, stem.find(L'.')));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") {
        return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

} // namespace

bool ParseIniLong(std::wstring_view text, long* value)
{
    size_t i = 0;
    while (i < text.size() && IsAtolSpace(text[i])) {
        ++i;
    }
    bool negative = i < text.size() && text[i] == L'-';
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        ++i;
    }
    // Accumulated as a negative number, which reaches the minimum of long. Where long is as
    // wide as long long, the next step is checked before it is taken: it would overflow.
    constexpr long long lowest = std::numeric_limits<long>::min();
    long long number = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        const int digit = static_cast<int>(text[i] - L'0');
        if (number < lowest / 10 || number * 10 < lowest + digit) {
            return false;
        }
        number = number * 10 - digit;
    }
    // Compared as negatives: the minimum of long long has no positive counterpart.
    if (digits == 0 || (!negative && number < -static_cast<long long>(std::numeric_limits<long>::max()))) {
        return false;
    }
    *value = static_cast<long>(negative ? number : -number);
    return true;
}

HRESULT CPellamParser::ReadINIFile(const std::wstring& path, bool create)
{
    try {
        if (path.empty()) {
            IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INVALID_INI_FILE_NAME, L"Invalid filename");
            return ResultCode::E_INVALID_FILE_NAME;
        }
        std::wstring fullPath;
        HRESULT hr = ResolvePath(path, &fullPath);
        if (FAILED(hr)) {
            return hr;
        }
        if (IsDeviceName(fullPath)) {
            // Windows opens the device whatever the folder, even where a file of that name
            // exists: the name cannot be used for an INI file at all.
            IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INI_DEVICE_NAME,
                      L"The INI file name %ls is that of a device, not of a file", fullPath.c_str());
            return ResultCode::E_INVALID_FILE_NAME;
        }
        std::error_code error;
        auto status = std::filesystem::status(std::filesystem::path(fullPath), error);
        bool present = std::filesystem::exists(status);
        if ((present && !std::filesystem::is_regular_file(status)) || (!present && !create)) {
            IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INVALID_INI_FILE_NAME,
                      L"Invalid filename %ls", fullPath.c_str());
            return ResultCode::E_INVALID_FILE_NAME;
        }
        if (!present) {
            // The file appears only when it is written whole: a write that fails on the way
            // must not leave an empty file behind.
            return m_parser.ParseFile("");
        }
        hr = m_parser.ReadINIFile(fullPath);
        if (hr == ResultCode::E_INI_READ) {
            // The core has said what is wrong with the file.
            return hr;
        }
        if (FAILED(hr)) {
            IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INI_READ_ERROR,
                      L"Failure occurred in ReadINIFile");
            return ResultCode::E_INI_READ;
        }
        return hr;
    } catch (const std::bad_alloc&) {
        IniReport(INI_SITE(L"CPellamParser::ReadINIFile"), INI_LOG_ERROR, MSG_INI_READ_ERROR, L"Out of memory");
        return E_OUTOFMEMORY;
    }
}

HRESULT CPellamParser::GetProfileStr(std::wstring_view section, std::wstring_view keyword, std::wstring* value,
                                     std::wstring_view defaultValue)
{
    return m_parser.GetProfileStr(section, keyword, value, defaultValue);
}

HRESULT CPellamParser::GetProfileLong(std::wstring_view section, std::wstring_view keyword, long* value)
{
    if (value == nullptr) {
        IniReport(INI_SITE(L"CPellamParser::GetProfileLong"), INI_LOG_ERROR, MSG_INTERNAL_ERROR, L"Invalid pointer");
        return E_POINTER;
    }
    *value = 0;
    std::wstring text;
    HRESULT hr = m_parser.GetProfileStr(section, keyword, &text, L"");
    if (IsMissing(hr)) {
        IniReport(INI_SITE(L"CPellamParser::GetProfileLong"), INI_LOG_INFORMATION, kIniNoMessage,
                  L"Section or keyword not found");
        return hr;
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (!ParseIniLong(text, value)) {
        IniReport(INI_SITE(L"CPellamParser::GetProfileLong"), INI_LOG_INFORMATION, kIniNoMessage,
                  L"The value %ls of keyword %ls is not a number of 32 bits", text.c_str(), std::wstring(keyword).c_str());
        *value = 0;
        return ResultCode::S_INI_NOT_NUMBER;
    }
    return S_OK;
}

HRESULT CPellamParser::GetPrompt(std::wstring_view section, std::wstring_view keyword, std::wstring* prompt,
                                 std::wstring_view defaultPrompt)
{
    if (prompt == nullptr) {
        IniReport(INI_SITE(L"CPellamParser::GetPrompt"), INI_LOG_ERROR, MSG_INTERNAL_ERROR, L"Invalid pointer");
        return E_POINTER;
    }
    try {
        prompt->clear();
        std::wstring value;
        HRESULT hr = m_parser.GetProfileStr(section, keyword, &value, L"");
        if (FAILED(hr) || IsMissing(hr)) {
            return hr;
        }
        std::wstring upper = UpperAscii(value);
        constexpr std::wstring_view marker = L"$PROMPT$,";
        size_t found = upper.find(marker);
        if (found != std::wstring::npos) {
            prompt->assign(NormalizeIniText(std::wstring_view(value).substr(found + marker.size())));
            if (prompt->empty()) {
                prompt->assign(defaultPrompt);
            }
            return S_OK;
        }
        if (upper.find(L"$PROMPT") != std::wstring::npos || upper.find(L"PROMPT$") != std::wstring::npos) {
            prompt->assign(defaultPrompt);
            return S_OK;
        }
        IniReport(INI_SITE(L"CPellamParser::GetPrompt"), INI_LOG_WARNING, kIniNoMessage, L"Prompt not found");
        return ResultCode::S_INI_NO_PROMPT;
    } catch (const std::bad_alloc&) {
        IniReport(INI_SITE(L"CPellamParser::GetPrompt"), INI_LOG_ERROR, kIniNoMessage, L"Out of memory");
        return E_OUTOFMEMORY;
    }
}

HRESULT CPellamParser::GetDuplicateKeyWordStatus(std::wstring_view section, long* flag)
{
    return m_parser.GetDuplicateKeyWordStatus(section, flag);
}

HRESULT CPellamParser::GetSectionNames(std::vector<std::wstring>* names) const
{
    return m_parser.GetSectionNames(names);
}

HRESULT CPellamParser::SetProfileString(std::wstring_view section, std::wstring_view keyword, std::wstring_view text)
{
    return m_parser.SetProfileString(section, keyword, text);
}

HRESULT CPellamParser::SetProfileLong(std::wstring_view section, std::wstring_view keyword, long value)
{
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = m_parser.SetProfileString(section, keyword, std::to_wstring(value));
    } catch (const std::bad_alloc&) {
    }
    if (FAILED(hr)) {
        IniReport(INI_SITE(L"CPellamParser::SetProfileLong"), INI_LOG_ERROR, kIniNoMessage, L"Failed to set profile string");
    }
    return hr;
}

HRESULT CPellamParser::SetProfileBool(std::wstring_view section, std::wstring_view keyword, bool value)
{
    HRESULT hr = m_parser.SetProfileString(section, keyword, value ? L"TRUE" : L"FALSE");
    if (FAILED(hr)) {
        IniReport(INI_SITE(L"CPellamParser::SetProfileBool"), INI_LOG_ERROR, kIniNoMessage, L"Failed to SetProfileString");
    }
    return hr;
}

HRESULT CPellamParser::SetProfileComment(std::wstring_view section, std::wstring_view text)
{
    HRESULT hr = m_parser.SetProfileComment(section, text);
    if (FAILED(hr)) {
        IniReport(INI_SITE(L"CPellamParser::SetProfileComment"), INI_LOG_ERROR, kIniNoMessage,
                  L"Failed to set profile comment");
    }
    return hr;
}

HRESULT CPellamParser::DeleteSection(std::wstring_view name)
{
    HRESULT hr = m_parser.DeleteSection(name);
    if (FAILED(hr)) {
        IniReport(INI_SITE(L"CPellamParser::DeleteSection"), INI_LOG_ERROR, kIniNoMessage,
                  L"Failed to delete INI section(s)");
    }
    return hr;
}

HRESULT CPellamParser::WriteINIFile(const std::wstring& path)
{
    return m_parser.WriteINIFile(path);
}
