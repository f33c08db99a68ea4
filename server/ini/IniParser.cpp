#include "IniParser.h"

#include "IniCodePage.h"
#include "IniLineReader.h"
#include "IniReport.h"
#include "MessageIds.h"
#include "IniText.h"
#include "IniResult.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <new>
#include <string_view>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The target file could not be created.
constexpr HRESULT kFileCreateFailed = ResultCode::E_FILE_CREATE;

enum class LineClass { Comment, KeyWord, Section, Blank, Invalid };

LineClass Classify(std::wstring_view line)
{
    // A line that ends with its line feed keeps its quotes and blanks here; they matter only
    // for a last line without one.
    std::wstring_view copy = TrimTrailingBlanks(RemoveEnclosingQuotes(line));
    if (copy.empty()) {
        return LineClass::Invalid;
    }
    if (copy.front() == L';') {
        return LineClass::Comment;
    }
    if (copy.find(L'=') != std::wstring_view::npos) {
        return LineClass::KeyWord;
    }
    if (copy.find(L'[') != std::wstring_view::npos) {
        // The name runs from the second character to the first "]" after it.
        return line.find(L']', 1) != std::wstring_view::npos ? LineClass::Section : LineClass::Invalid;
    }
    return copy.front() == L'\n' ? LineClass::Blank : LineClass::Invalid;
}

std::wstring_view WithoutLineFeed(std::wstring_view line)
{
    return !line.empty() && line.back() == L'\n' ? line.substr(0, line.size() - 1) : line;
}

bool HasLineBreakOrNul(std::wstring_view text)
{
    return text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos;
}

// The line as the file will hold it must survive being read back: one line, in the ANSI
// code page, short enough for the reader.
bool FitsOneLine(std::wstring_view line, std::string* bytes)
{
    return !HasLineBreakOrNul(line) && WideToAnsi(line, bytes) && bytes->size() <= CIniParser::kMaxLineBytes;
}

std::wstring SectionHeader(const CIniSection& section)
{
    if (!section.GetHeaderText().empty()) {
        return section.GetHeaderText();
    }
    const std::wstring& name = section.GetName();
    std::wstring header;
    if (name.empty() || name.front() != L'[') {
        header += L'[';
    }
    header += name;
    if (name.empty() || name.back() != L']') {
        header += L']';
    }
    return header;
}

bool IsValidSectionName(std::wstring_view name)
{
    if (NormalizeIniText(name).empty() || name.find(L'=') != std::wstring_view::npos) {
        return false;
    }
    bool opens = name.front() == L'[';
    bool closes = name.back() == L']';
    std::wstring_view inner = name.substr(opens ? 1 : 0, name.size() - (opens ? 1 : 0) - (closes ? 1 : 0));
    return opens == closes && inner.find_first_of(L"[]") == std::wstring_view::npos;
}

bool IsValidKeyWord(std::wstring_view keyword)
{
    return !NormalizeIniText(keyword).empty() && keyword.front() != L';' &&
           keyword.find(L'=') == std::wstring_view::npos;
}

// A comment is cut to what one line can hold, never inside a character.
std::string CutComment(std::wstring_view text)
{
    std::string bytes;
    WideToAnsi(text, &bytes);
    while (bytes.size() > CIniParser::kMaxLineBytes) {
        text.remove_suffix(1);
        WideToAnsi(text, &bytes);
    }
    return bytes;
}

HRESULT ReadFileBytes(const std::wstring& path, std::string* bytes)
{
    // A device such as CON or NUL.INI would be read from, or block, like a file.
    std::error_code error;
    bool regular = std::filesystem::is_regular_file(std::filesystem::path(path), error);
    std::ifstream file;
    if (regular) {
        file.open(std::filesystem::path(path), std::ios::binary);
    }
    if (!file.is_open()) {
        IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"File cannot be opened: %ls", path.c_str());
        return ResultCode::E_FILE_OPEN;
    }
    char chunk[65536];
    while (file.read(chunk, sizeof(chunk)) || file.gcount() > 0) {
        size_t count = static_cast<size_t>(file.gcount());
        if (bytes->size() + count > CIniParser::kMaxFileBytes) {
            IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, kIniNoMessage,
                      L"The file %ls is larger than %zu bytes and is not read as an INI file", path.c_str(),
                      CIniParser::kMaxFileBytes);
            return E_FAIL;
        }
        bytes->append(chunk, count);
    }
    if (file.bad()) {
        IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, kIniNoMessage, L"File cannot be read: %ls",
                  path.c_str());
        return ResultCode::E_FILE_OPEN;
    }
    file.clear();
    file.close();
    if (file.fail()) {
        IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"Not able to close the file handle");
        return ResultCode::E_FILE_CLOSE;
    }
    return S_OK;
}

// Memory running out is a result like any other: no exception leaves the parser.
template <typename Action>
HRESULT Guarded(const wchar_t* function, Action action)
{
    try {
        return action();
    } catch (const std::bad_alloc&) {
        IniReport(IniLogSite{function, INI_WIDEN(__FILE__), __LINE__}, INI_LOG_ERROR, kIniNoMessage, L"Out of memory");
        return E_OUTOFMEMORY;
    } catch (...) {
        IniReport(IniLogSite{function, INI_WIDEN(__FILE__), __LINE__}, INI_LOG_ERROR, kIniNoMessage,
                  L"Unexpected exception");
        return E_FAIL;
    }
}

// Replacing a file: the text goes to a new file beside the target, which then takes the
// target's place in one step. A crash, a full disk or a failing write never leaves a
// half-written or empty file behind, and until the new text is complete the old file stays
// exactly as it was.

#ifdef _WIN32
using SystemError = unsigned long;
#else
using SystemError = int;
#endif

enum class CreateOutcome { Created, NameTaken, Failed };

// Writes go in pieces that one call of the system can take.
constexpr size_t kWriteChunk = 1u << 20;
// Leftovers of earlier runs that crashed may hold a few of the names.
constexpr unsigned kTemporaryNameAttempts = 100;

#ifdef _WIN32

class NewFile {
public:
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() { Close(); }

    // Only a name that nobody holds yet is taken, so no other writer's file is taken over.
    CreateOutcome Create(const std::filesystem::path& path)
    {
        m_handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_handle != INVALID_HANDLE_VALUE) {
            return CreateOutcome::Created;
        }
        m_error = ::GetLastError();
        return m_error == ERROR_FILE_EXISTS || m_error == ERROR_ALREADY_EXISTS ? CreateOutcome::NameTaken
                                                                                : CreateOutcome::Failed;
    }
    // Flushed as well: a file that replaces the target must not come back empty after a
    // power failure.
    bool WriteAll(std::string_view bytes)
    {
        while (!bytes.empty()) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kWriteChunk));
            if (!::WriteFile(m_handle, bytes.data(), chunk, &written, nullptr) || written == 0) {
                return Fail();
            }
            bytes.remove_prefix(written);
        }
        return ::FlushFileBuffers(m_handle) || Fail();
    }
    bool Close()
    {
        HANDLE handle = std::exchange(m_handle, INVALID_HANDLE_VALUE);
        return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) || Fail();
    }
    SystemError Error() const { return m_error; }

private:
    bool Fail()
    {
        m_error = ::GetLastError();
        return false;
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    SystemError m_error = 0;
};

unsigned long ProcessId()
{
    return ::GetCurrentProcessId();
}

// Replacing a read-only file would drop its mark with its contents, where the system refuses
// any other write to it.
bool IsReadOnlyFile(const std::filesystem::path& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool MoveOver(const std::filesystem::path& source, const std::filesystem::path& target, SystemError* error)
{
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    *error = ::GetLastError();
    return false;
}

#else

class NewFile {
public:
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() { Close(); }

    // Only a name that nobody holds yet is taken, so no other writer's file is taken over.
    CreateOutcome Create(const std::filesystem::path& path)
    {
        m_descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_descriptor >= 0) {
            return CreateOutcome::Created;
        }
        m_error = errno;
        return m_error == EEXIST ? CreateOutcome::NameTaken : CreateOutcome::Failed;
    }
    // Flushed as well: a file that replaces the target must not come back empty after a
    // power failure.
    bool WriteAll(std::string_view bytes)
    {
        while (!bytes.empty()) {
            ssize_t written = ::write(m_descriptor, bytes.data(), std::min(bytes.size(), kWriteChunk));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return Fail();
            }
            bytes.remove_prefix(static_cast<size_t>(written));
        }
        return ::fsync(m_descriptor) == 0 || Fail();
    }
    bool Close()
    {
        int descriptor = std::exchange(m_descriptor, -1);
        return descriptor < 0 || ::close(descriptor) == 0 || Fail();
    }
    SystemError Error() const { return m_error; }

private:
    bool Fail()
    {
        m_error = errno;
        return false;
    }

    int m_descriptor = -1;
    SystemError m_error = 0;
};

unsigned long ProcessId()
{
    return static_cast<unsigned long>(::getpid());
}

// A file that nobody may write, as the Windows build refuses a read-only one; a rename would
// replace it all the same.
bool IsReadOnlyFile(const std::filesystem::path& path)
{
    using std::filesystem::perms;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && std::filesystem::is_regular_file(status) &&
           (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

bool MoveOver(const std::filesystem::path& source, const std::filesystem::path& target, SystemError* error)
{
    std::error_code failure;
    std::filesystem::rename(source, target, failure);
    *error = failure.value();
    return !failure;
}

#endif

void RemoveQuietly(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

HRESULT ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes)
{
    // The process id keeps two processes apart, the number two writes of one process.
    static std::atomic<unsigned> s_nextNumber{0};
    const std::wstring shown = target.wstring();
    if (IsReadOnlyFile(target)) {
        IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"Not able to open file %ls: it is read-only", shown.c_str());
        return kFileCreateFailed;
    }
    std::filesystem::path temporary;
    // Removes the new file on every way out but the one that put it in the target's place;
    // declared before the file, so that the file is closed before its name is removed.
    struct Leftover {
        const std::filesystem::path* path = nullptr;
        ~Leftover()
        {
            if (path != nullptr) {
                RemoveQuietly(*path);
            }
        }
    } leftover;
    NewFile file;
    CreateOutcome created = CreateOutcome::NameTaken;
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts && created == CreateOutcome::NameTaken; ++attempt) {
        temporary = target;
        temporary += L".tmp" + std::to_wstring(ProcessId()) + L"." + std::to_wstring(s_nextNumber++);
        created = file.Create(temporary);
    }
    if (created != CreateOutcome::Created) {
        IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"Not able to open file %ls: no file can be created beside it (system error %lu)", shown.c_str(),
                  static_cast<unsigned long>(file.Error()));
        return kFileCreateFailed;
    }
    leftover.path = &temporary;
    const bool written = file.WriteAll(bytes);
    if (!file.Close() || !written) {
        IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"Failed to close the file handle %ls: the text could not be written to %ls (system error %lu)",
                  shown.c_str(), temporary.wstring().c_str(), static_cast<unsigned long>(file.Error()));
        return E_FAIL;
    }
    SystemError error = 0;
    if (!MoveOver(temporary, target, &error)) {
        IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"Not able to open file %ls: it cannot be replaced (system error %lu)", shown.c_str(),
                  static_cast<unsigned long>(error));
        return kFileCreateFailed;
    }
    leftover.path = nullptr;
    return S_OK;
}

} // namespace

CIniParser::CIniParser() : m_pDocument(std::make_unique<Document>()) {}

CIniParser::~CIniParser() = default;

void CIniParser::Reset()
{
    m_pDocument = std::make_unique<Document>();
    m_strPath.clear();
    m_bLoaded = false;
}

HRESULT CIniParser::ReadINIFile(const std::wstring& path)
{
    if (m_bLoaded) {
        return ResultCode::S_INI_ALREADY_READ;
    }
    if (path.empty()) {
        IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, MSG_INVALID_INI_FILE_NAME, L"Invalid file specified");
        return ResultCode::E_SETTING_UNUSABLE;
    }
    return Guarded(L"CIniParser::ReadINIFile", [&]() -> HRESULT {
        std::string bytes;
        HRESULT hr = ReadFileBytes(path, &bytes);
        if (FAILED(hr)) {
            if (hr == E_FAIL) {
                IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, kIniNoMessage, L"Not able to parse the file");
            }
            return hr;
        }
        if (std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF") {
            // Read as ANSI text, the mark would hide the first section and every letter
            // beyond ASCII would change; an editor saves the file as ANSI text on request.
            IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, MSG_INI_UTF8_FILE,
                      L"The file %ls is UTF-8 text with a byte-order mark, not ANSI text", path.c_str());
            return ResultCode::E_INI_READ;
        }
        hr = ParseFile(bytes);
        if (FAILED(hr)) {
            IniReport(INI_SITE(L"CIniParser::ReadINIFile"), INI_LOG_ERROR, kIniNoMessage, L"Not able to parse the file");
            return E_FAIL;
        }
        m_strPath = path;
        return S_OK;
    });
}

HRESULT CIniParser::ParseFile(std::string_view bytes)
{
    if (m_bLoaded) {
        return ResultCode::S_INI_ALREADY_READ;
    }
    try {
        auto document = std::make_unique<Document>();
        HRESULT hr = ParseInto(*document, bytes);
        if (FAILED(hr)) {
            return hr;
        }
        m_pDocument = std::move(document);
        m_bLoaded = true;
        return S_OK;
    } catch (const std::bad_alloc&) {
        IniReport(INI_SITE(L"CIniParser::ParseFile"), INI_LOG_ERROR, kIniNoMessage, L"Out of memory error");
        return E_OUTOFMEMORY;
    }
}

HRESULT CIniParser::ParseInto(Document& document, std::string_view bytes)
{
    size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
        IniReport(INI_SITE(L"CIniParser::ParseFile"), INI_LOG_ERROR, kIniNoMessage,
                  L"The file holds a NUL byte at offset %zu and is not a text file", nul);
        return E_FAIL;
    }
    std::string piece;
    size_t count = 0;
    for (CIniLineReader counter(bytes); counter.Next(&piece);) {
        if (++count > kMaxLines) {
            IniReport(INI_SITE(L"CIniParser::ParseFile"), INI_LOG_ERROR, kIniNoMessage,
                      L"The file has more than %zu lines and is not read as an INI file", kMaxLines);
            return E_FAIL;
        }
    }
    CIniLineReader reader(bytes);
    CIniSection* openSection = nullptr;
    // The entry whose line the reader cut: the pieces after it, up to the line's end, are
    // what its value lost. They are still read as lines of their own, as before.
    CIniValue* cutEntry = nullptr;
    while (reader.Next(&piece)) {
        const bool lineEnds = !piece.empty() && piece.back() == '\n';
        std::wstring line = AnsiToWide(piece);
        if (cutEntry != nullptr) {
            cutEntry->AppendCutText(WithoutLineFeed(line));
        }
        const size_t linesBefore = document.lines.size();
        HRESULT hr = ParseLine(document, openSection, std::move(line));
        if (FAILED(hr)) {
            return hr;
        }
        const bool addedEntry = cutEntry == nullptr && document.lines.size() > linesBefore &&
                                document.lines.back().GetKind() == CIniLine::Kind_KeyWord;
        if (lineEnds) {
            cutEntry = nullptr;
        } else if (addedEntry && piece.size() >= CIniLineReader::kMaxLineBytes) {
            cutEntry = document.lines.back().GetValue();
        }
    }
    return S_OK;
}

HRESULT CIniParser::ParseLine(Document& document, CIniSection*& openSection, std::wstring line)
{
    switch (Classify(line)) {
    case LineClass::KeyWord: {
        size_t equals = line.find(L'=');
        if (equals == 0) {
            document.lines.emplace_back(CIniLine::Kind_FileComment, std::move(line));
            break;
        }
        if (openSection == nullptr) {
            IniReport(INI_SITE(L"CIniParser::ParseFile"), INI_LOG_ERROR, kIniNoMessage,
                      L"Not able to add the keyword and value to the list: the keyword line %ls comes before the first section header",
                      std::wstring(WithoutLineFeed(line)).c_str());
            return E_FAIL;
        }
        std::wstring_view value = WithoutLineFeed(std::wstring_view(line).substr(equals + 1));
        CIniValue* entry = openSection->AppendValue(line.substr(0, equals), std::wstring(value));
        document.lines.emplace_back(entry);
        break;
    }
    case LineClass::Section: {
        size_t close = line.find(L']', 1);
        openSection = AppendSection(document, line.substr(1, close - 1), std::wstring(WithoutLineFeed(line)));
        break;
    }
    case LineClass::Comment:
    case LineClass::Blank:
        document.lines.emplace_back(CIniLine::Kind_FileComment, std::move(line));
        break;
    case LineClass::Invalid:
        document.lines.emplace_back(CIniLine::Kind_FileComment, L";" + line);
        break;
    }
    if (openSection != nullptr) {
        openSection->SetLastLine(std::prev(document.lines.end()));
    }
    return S_OK;
}

// The section's header line goes at the end of the line list.
CIniSection* CIniParser::AppendSection(Document& document, std::wstring name, std::wstring headerText)
{
    auto section = std::make_unique<CIniSection>(&document.lines, std::move(name), std::move(headerText));
    CIniSection* stored = section.get();
    std::wstring key = FoldIniName(stored->GetName());
    ReserveOneMore(document.sections);
    document.lines.emplace_back(stored);
    try {
        document.sectionIndex.try_emplace(std::move(key), stored);
    } catch (...) {
        document.lines.pop_back();
        throw;
    }
    document.sections.push_back(std::move(section));
    stored->SetLastLine(std::prev(document.lines.end()));
    return stored;
}

CIniSection* CIniParser::FindSection(std::wstring_view name) const
{
    auto found = m_pDocument->sectionIndex.find(FoldIniName(name));
    return found == m_pDocument->sectionIndex.end() ? nullptr : found->second;
}

HRESULT CIniParser::ReturnSectionPointer(std::wstring_view section, CIniSection** found)
{
    if (found == nullptr) {
        return E_POINTER;
    }
    return Guarded(L"CIniParser::ReturnSectionPointer", [&]() -> HRESULT {
        *found = FindSection(section);
        return *found != nullptr ? S_OK : ResultCode::S_INI_NO_SECTION;
    });
}

HRESULT CIniParser::GetSectionComments(std::wstring_view section, std::vector<std::wstring>* comments) const
{
    if (comments == nullptr) {
        return E_POINTER;
    }
    return Guarded(L"CIniParser::GetSectionComments", [&]() -> HRESULT {
        comments->clear();
        const CIniSection* found = m_pDocument ? FindSection(section) : nullptr;
        if (found == nullptr) {
            return ResultCode::S_INI_NO_SECTION;
        }
        // A section's lines run from its header to its last line: walking back from the last
        // line reads only them, so asking for every token's comments stays linear in the file.
        for (auto line = found->GetLastLine();; --line) {
            if (line->GetKind() == CIniLine::Kind_Section && line->GetSection() == found) {
                break;
            }
            const bool comment = line->GetKind() == CIniLine::Kind_FileComment ||
                                 line->GetKind() == CIniLine::Kind_AddedComment;
            if (comment && !line->GetText().empty() && line->GetText().front() == L';') {
                comments->emplace_back(WithoutLineFeed(line->GetText()));
            }
            if (line == m_pDocument->lines.begin()) {
                break;
            }
        }
        std::reverse(comments->begin(), comments->end());
        return S_OK;
    });
}

HRESULT CIniParser::GetCutText(std::wstring_view section, std::wstring_view keyword, std::wstring* cut) const
{
    if (cut == nullptr) {
        return E_POINTER;
    }
    return Guarded(L"CIniParser::GetCutText", [&]() -> HRESULT {
        cut->clear();
        const CIniSection* found = m_pDocument ? FindSection(section) : nullptr;
        if (found == nullptr) {
            return ResultCode::S_INI_NO_SECTION;
        }
        const CIniValue* value = found->FindValue(keyword);
        if (value == nullptr) {
            return ResultCode::S_INI_NO_KEYWORD;
        }
        *cut = value->GetCutText();
        return S_OK;
    });
}

HRESULT CIniParser::GetSectionNames(std::vector<std::wstring>* names) const
{
    if (names == nullptr) {
        return E_POINTER;
    }
    return Guarded(L"CIniParser::GetSectionNames", [&]() -> HRESULT {
        std::vector<std::wstring> result;
        result.reserve(m_pDocument->sections.size());
        for (const auto& section : m_pDocument->sections) {
            result.push_back(section->GetName());
        }
        *names = std::move(result);
        return S_OK;
    });
}

HRESULT CIniParser::GetProfileStr(std::wstring_view section, std::wstring_view keyword, std::wstring* value,
                                  std::wstring_view defaultValue)
{
    if (value == nullptr) {
        IniReport(INI_SITE(L"CIniParser::GetProfileStr"), INI_LOG_ERROR, kIniNoMessage, L"Invalid pointer");
        return E_POINTER;
    }
    return Guarded(L"CIniParser::GetProfileStr", [&]() -> HRESULT {
        CIniSection* found = FindSection(section);
        const CIniValue* entry = found != nullptr ? found->FindValue(keyword) : nullptr;
        if (entry == nullptr) {
            if (!defaultValue.empty()) {
                value->assign(defaultValue);
            }
            IniReport(INI_SITE(L"CIniParser::GetProfileStr"), INI_LOG_INFORMATION, kIniNoMessage,
                      found == nullptr ? L"The specified section is not present" : L"The specified keyword is not present");
            return found == nullptr ? ResultCode::S_INI_NO_SECTION : ResultCode::S_INI_NO_KEYWORD;
        }
        value->assign(NormalizeIniText(entry->GetValue()));
        return value->empty() ? ResultCode::S_INI_EMPTY_VALUE : S_OK;
    });
}

HRESULT CIniParser::GetDuplicateKeyWordStatus(std::wstring_view section, long* flag)
{
    if (flag == nullptr) {
        return E_POINTER;
    }
    return Guarded(L"CIniParser::GetDuplicateKeyWordStatus", [&]() -> HRESULT {
        CIniSection* found = FindSection(section);
        if (found == nullptr) {
            IniReport(INI_SITE(L"CIniParser::GetDuplicateKeyWordStatus"), INI_LOG_INFORMATION, kIniNoMessage,
                      L"not able to check the duplicate entries, section is not present");
            return ResultCode::S_INI_NO_SECTION;
        }
        *flag = found->GetDuplicateKeyWordStatus();
        return S_OK;
    });
}

HRESULT CIniParser::SetProfileString(std::wstring_view section, std::wstring_view keyword, std::wstring_view value)
{
    return Guarded(L"CIniParser::SetProfileString",
                   [&]() -> HRESULT { return SetProfileStringUnguarded(section, keyword, value); });
}

HRESULT CIniParser::SetProfileStringUnguarded(std::wstring_view section, std::wstring_view keyword,
                                              std::wstring_view value)
{
    std::wstring sectionText(section), keywordText(keyword), valueText(value);
    CIniSection* found = FindSection(section);
    CIniValue* entry = found != nullptr ? found->FindValue(keyword) : nullptr;
    // A changed entry keeps the keyword as the file spells it.
    std::wstring line = (entry != nullptr ? entry->GetKeyWord() : keywordText) + L"=" + valueText;
    std::string bytes;
    bool sectionFits = found != nullptr || (IsValidSectionName(section) && FitsOneLine(L"[" + sectionText + L"]", &bytes));
    if (!sectionFits || !IsValidKeyWord(keyword) || !FitsOneLine(line, &bytes)) {
        IniReport(INI_SITE(L"CIniParser::SetProfileString"), INI_LOG_ERROR, kIniNoMessage,
                  L"Failed to add the keyword and value  Keyword:  %ls, Value:  %ls (section %ls): the entry cannot be written as one INI line of at most %zu bytes in the ANSI code page",
                  keywordText.c_str(), valueText.c_str(), sectionText.c_str(), kMaxLineBytes);
        return E_INVALIDARG;
    }
    if (found == nullptr) {
        return AddToNewSection(section, keyword, value);
    }
    if (entry != nullptr) {
        entry->SetValue(std::move(valueText));
    } else {
        found->AddValue(std::move(keywordText), std::move(valueText));
    }
    return S_OK;
}

HRESULT CIniParser::AddToNewSection(std::wstring_view section, std::wstring_view keyword, std::wstring_view value)
{
    CIniSection* created = AppendSection(*m_pDocument, std::wstring(section), std::wstring());
    try {
        created->AddValue(std::wstring(keyword), std::wstring(value));
    } catch (...) {
        RemoveLastSection();
        IniReport(INI_SITE(L"CIniParser::SetProfileString"), INI_LOG_ERROR, kIniNoMessage,
                  L"Unable to add the profile string for Section:  %ls, Keyword:  %ls, Value:  %ls",
                  std::wstring(section).c_str(), std::wstring(keyword).c_str(), std::wstring(value).c_str());
        throw;
    }
    return S_OK;
}

// Undoes AppendSection of a section that holds no entry yet; allocates nothing, since it
// runs when memory has run out.
void CIniParser::RemoveLastSection()
{
    CIniSection* last = m_pDocument->sections.back().get();
    std::erase_if(m_pDocument->sectionIndex, [last](const auto& entry) { return entry.second == last; });
    m_pDocument->lines.pop_back();
    m_pDocument->sections.pop_back();
}

HRESULT CIniParser::SetProfileComment(std::wstring_view section, std::wstring_view text)
{
    return Guarded(L"CIniParser::SetProfileComment", [&]() -> HRESULT {
        // Anything but a comment would be read back as data.
        if (HasLineBreakOrNul(text) || (!text.empty() && text.front() != L';')) {
            IniReport(INI_SITE(L"CIniParser::SetProfileComment"), INI_LOG_ERROR, kIniNoMessage,
                      L"The comment %ls is not one line beginning with a semicolon", std::wstring(text).c_str());
            return E_INVALIDARG;
        }
        CIniSection* found = FindSection(section);
        if (found == nullptr) {
            IniReport(INI_SITE(L"CIniParser::SetProfileComment"), INI_LOG_ERROR, kIniNoMessage,
                      L"The section %ls for the comment is not present", std::wstring(section).c_str());
            return E_FAIL;
        }
        found->AddComment(std::wstring(text));
        return S_OK;
    });
}

HRESULT CIniParser::DeleteSection(std::wstring_view text)
{
    if (text.empty()) {
        IniReport(INI_SITE(L"CIniParser::DeleteSection"), INI_LOG_ERROR, kIniNoMessage,
                  L"Invalid INI section found.  An empty name would delete every section");
        return E_INVALIDARG;
    }
    return Guarded(L"CIniParser::DeleteSection", [&]() -> HRESULT {
        auto contains = [text](const CIniSection& section) {
            return section.GetName().find(text) != std::wstring::npos;
        };
        // The new index is made first: after it nothing can fail, so no half-done deletion
        // leaves the index pointing at removed sections.
        std::unordered_map<std::wstring, CIniSection*> index;
        for (const auto& section : m_pDocument->sections) {
            if (!contains(*section)) {
                index.try_emplace(FoldIniName(section->GetName()), section.get());
            }
        }
        bool removing = false;
        auto& lines = m_pDocument->lines;
        for (auto line = lines.begin(); line != lines.end();) {
            if (line->GetKind() == CIniLine::Kind_Section) {
                removing = contains(*line->GetSection());
            }
            line = removing ? lines.erase(line) : std::next(line);
        }
        std::erase_if(m_pDocument->sections,
                      [&](const std::unique_ptr<CIniSection>& section) { return contains(*section); });
        m_pDocument->sectionIndex = std::move(index);
        return S_OK;
    });
}

HRESULT CIniParser::BuildFileBytes(std::string* bytes) const
{
    if (bytes == nullptr) {
        return E_POINTER;
    }
    return Guarded(L"CIniParser::WriteINIFile", [&]() -> HRESULT {
        std::string text, line;
        for (const CIniLine& entry : m_pDocument->lines) {
            switch (entry.GetKind()) {
            case CIniLine::Kind_Section:
                WideToAnsi(SectionHeader(*entry.GetSection()), &line);
                break;
            case CIniLine::Kind_KeyWord:
                WideToAnsi(entry.GetValue()->GetKeyWord() + L"=" + entry.GetValue()->GetValue(), &line);
                break;
            case CIniLine::Kind_FileComment:
                WideToAnsi(WithoutLineFeed(entry.GetText()), &line);
                break;
            case CIniLine::Kind_AddedComment:
                line = CutComment(entry.GetText());
                break;
            }
            if (entry.GetKind() <= CIniLine::Kind_KeyWord && line.size() > kMaxLineBytes) {
                IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                          L"A line of %zu bytes does not fit the %zu bytes that a reader takes as one line",
                          line.size(), kMaxLineBytes);
                return E_FAIL;
            }
            // Every line ends, also a last line read without a line feed and the pieces of a
            // long line: otherwise whatever follows it in the list would be joined to it.
            text += line;
            text += "\r\n";
        }
        *bytes = std::move(text);
        return S_OK;
    });
}

HRESULT CIniParser::WriteINIFile(const std::wstring& path)
{
    return Guarded(L"CIniParser::WriteINIFile", [&]() -> HRESULT {
        std::filesystem::path target(path);
        std::error_code error;
        if (target.has_parent_path() && !std::filesystem::is_directory(target.parent_path(), error)) {
            IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                      L"Invalid directory specified %ls", path.c_str());
            return E_FAIL;
        }
        if (m_pDocument->lines.empty()) {
            IniReport(INI_SITE(L"CIniParser::WriteINIFile"), INI_LOG_ERROR, kIniNoMessage,
                      L"The element count could not be obtained");
            return E_FAIL;
        }
        // The whole text is made before the file is touched, so a failure leaves it as it was.
        std::string bytes;
        HRESULT hr = BuildFileBytes(&bytes);
        if (FAILED(hr)) {
            return hr;
        }
        return ReplaceFileContents(target, bytes);
    });
}
