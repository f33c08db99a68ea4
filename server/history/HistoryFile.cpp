#include "history/HistoryFile.h"

#include "Owners.h"

#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>
#include <string>

namespace history {

namespace {

// A file's records are read whole; a history file is at most a little over the limit, so
// anything far larger is not one.
constexpr uint64_t kLargestReadable = 1ull << 30;

HRESULT LastError()
{
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

std::wstring Environment(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

// The byte count of PELLAM_HISTORY_TEST_CUT, when it holds a number.
std::optional<size_t> TestCut()
{
    const std::wstring text = Environment(L"PELLAM_HISTORY_TEST_CUT");
    if (text.empty() || text.size() > 9 || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    return static_cast<size_t>(std::stoul(text));
}

size_t LastSeparator(const std::wstring& path)
{
    return path.find_last_of(L"\\/");
}

std::wstring ParentFolder(const std::wstring& path)
{
    const size_t separator = LastSeparator(path);
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

HRESULT MakeFolder(const std::wstring& folder)
{
    if (folder.empty() || folder.back() == L':') {
        return S_OK;
    }
    // Something already there that is no folder makes the file's opening fail, with its error.
    if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return S_OK;
    }
    const HRESULT parent = MakeFolder(ParentFolder(folder));
    if (FAILED(parent)) {
        return parent;
    }
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return LastError();
    }
    return S_OK;
}

// An exclusive lock on the first byte of "<history>.lock", held by one writer at a time of
// every process and thread. A byte-range lock rather than a named mutex: the system lets it
// go when a writer's process dies, any user who can read the folder can take it, and it
// belongs to the file itself, whatever spelling of its path (case, short names, links) each
// writer was given, where a mutex named after the path's text would not.
class WriterLock {
public:
    WriterLock() = default;
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    ~WriterLock()
    {
        if (m_locked) {
            OVERLAPPED at{};
            ::UnlockFileEx(m_file.get(), 0, 1, 0, &at);
        }
    }

    HRESULT Acquire(const std::wstring& historyPath)
    {
        m_file.reset(::CreateFileW((historyPath + L".lock").c_str(), GENERIC_READ,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_file) {
            return LastError();
        }
        OVERLAPPED at{};
        if (!::LockFileEx(m_file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
            return LastError();
        }
        m_locked = true;
        return S_OK;
    }

private:
    UniqueFile m_file;
    bool m_locked = false;
};

HRESULT OpenForAppend(const std::wstring& path, UniqueFile& file, uint64_t& size)
{
    // Readers and the next rotation may open, rename or replace the file while it is open.
    file.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length{};
    if (!file || !::GetFileSizeEx(file.get(), &length)) {
        return LastError();
    }
    size = static_cast<uint64_t>(length.QuadPart);
    return S_OK;
}

HRESULT Seek(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ? S_OK : LastError();
}

// Whether the file of `size` bytes (more than none) ends with a line end.
HRESULT EndsWithLineEnd(HANDLE file, uint64_t size, bool& ends)
{
    char last = 0;
    DWORD read = 0;
    HRESULT hr = Seek(file, size - 1);
    if (SUCCEEDED(hr) && !::ReadFile(file, &last, 1, &read, nullptr)) {
        hr = LastError();
    }
    ends = last == '\n';
    return SUCCEEDED(hr) && read != 1 ? HRESULT_FROM_WIN32(ERROR_HANDLE_EOF) : hr;
}

HRESULT WriteFlushed(HANDLE file, const char* bytes, size_t count)
{
    if (count > std::numeric_limits<DWORD>::max()) {
        return E_INVALIDARG;
    }
    DWORD written = 0;
    if (!::WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) || !::FlushFileBuffers(file)) {
        return LastError();
    }
    return written == count ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

// The line in one write at the file's end, which the lock keeps where it was measured.
HRESULT WriteLine(HANDLE file, uint64_t size, const std::string& line)
{
    const HRESULT hr = Seek(file, size);
    if (FAILED(hr)) {
        return hr;
    }
    if (const std::optional<size_t> cut = TestCut()) {
        WriteFlushed(file, line.data(), std::min(*cut, line.size()));
        ::TerminateProcess(::GetCurrentProcess(), 99);
    }
    return WriteFlushed(file, line.data(), line.size());
}

// The file opened for the append, its folder made first and the writers' lock taken.
HRESULT OpenLocked(const std::wstring& path, WriterLock& lock, UniqueFile& file, uint64_t& size)
{
    HRESULT hr = MakeFolder(ParentFolder(path));
    if (SUCCEEDED(hr)) {
        hr = lock.Acquire(path);
    }
    return SUCCEEDED(hr) ? OpenForAppend(path, file, size) : hr;
}

// The full file becomes the older one (replacing the one before) and a new one is begun.
HRESULT BeginNewFile(const std::wstring& path, UniqueFile& file, uint64_t& size)
{
    file.reset();
    if (!::MoveFileExW(path.c_str(), RotatedPath(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return LastError();
    }
    return OpenForAppend(path, file, size);
}

HRESULT ReadWhole(const std::wstring& path, std::string& text, bool& exists)
{
    text.clear();
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    exists = static_cast<bool>(file) || (::GetLastError() != ERROR_FILE_NOT_FOUND && ::GetLastError() != ERROR_PATH_NOT_FOUND);
    LARGE_INTEGER length{};
    if (!file || !::GetFileSizeEx(file.get(), &length)) {
        return exists ? LastError() : S_OK;
    }
    if (static_cast<uint64_t>(length.QuadPart) > kLargestReadable) {
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    }
    text.resize(static_cast<size_t>(length.QuadPart));
    size_t at = 0;
    while (at < text.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), text.data() + at, static_cast<DWORD>(text.size() - at), &read, nullptr)) {
            return LastError();
        }
        if (read == 0) {
            break;  // the file got shorter while being read
        }
        at += read;
    }
    text.resize(at);
    return S_OK;
}

// The newest line of `text` that names one of the operations as a record writes it and reads
// as a record. A quote inside a string value is written escaped, so the member's text cannot
// stand inside another member's value.
std::optional<Record> LastRecordIn(const std::string& text, const std::vector<std::string>& operations)
{
    std::vector<std::string> needles;
    for (const std::string& operation : operations) {
        needles.push_back("\"operation\":\"" + operation + "\"");
    }
    size_t searchFrom = std::string::npos;
    while (true) {
        size_t found = std::string::npos;
        for (const std::string& needle : needles) {
            const size_t at = text.rfind(needle, searchFrom);
            if (at != std::string::npos && (found == std::string::npos || at > found)) {
                found = at;
            }
        }
        if (found == std::string::npos) {
            return std::nullopt;
        }
        const size_t lineEnd = text.rfind('\n', found);
        const size_t begin = lineEnd == std::string::npos ? 0 : lineEnd + 1;
        size_t end = text.find('\n', found);
        end = end == std::string::npos ? text.size() : end;
        std::string_view line(text.data() + begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        Record record;
        if (ParseRecord(line, record)) {
            return record;
        }
        if (begin == 0) {
            return std::nullopt;
        }
        searchFrom = begin - 1;  // a damaged line: the one before it
    }
}

} // namespace

std::wstring HistoryPath()
{
    std::wstring path = Environment(L"PELLAM_HISTORY");
    if (!path.empty()) {
        return path;
    }
    UniqueCoTaskMem<wchar_t> programData;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, programData.put()))) {
        return {};
    }
    return std::wstring(programData.get()) + L"\\Pellam\\history.jsonl";
}

std::wstring RotatedPath(const std::wstring& path)
{
    const size_t separator = LastSeparator(path);
    const size_t nameBegin = separator == std::wstring::npos ? 0 : separator + 1;
    const size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || dot <= nameBegin) {
        return path + L".1";
    }
    return path.substr(0, dot) + L".1" + path.substr(dot);
}

HRESULT AppendRecord(const std::wstring& path, const Record& record, uint64_t limit)
{
    if (path.empty()) {
        return E_INVALIDARG;
    }
    WriterLock lock;
    UniqueFile file;
    uint64_t size = 0;
    HRESULT hr = OpenLocked(path, lock, file, size);
    bool endsLine = true;
    if (SUCCEEDED(hr) && size > 0) {
        hr = EndsWithLineEnd(file.get(), size, endsLine);
    }
    if (FAILED(hr)) {
        return hr;
    }
    std::string line = FormatRecord(record);
    // A line longer than the limit still goes into a new file: no record is dropped.
    if (size > 0 && size + (endsLine ? 0 : 1) + line.size() > limit) {
        hr = BeginNewFile(path, file, size);
    } else if (!endsLine) {
        line.insert(0, 1, '\n');
    }
    return SUCCEEDED(hr) ? WriteLine(file.get(), size, line) : hr;
}

HRESULT ReadHistory(const std::wstring& path, ParsedHistory& history)
{
    history = {};
    for (const std::wstring& file : {RotatedPath(path), path}) {
        std::string text;
        bool exists = false;
        const HRESULT hr = ReadWhole(file, text, exists);
        if (FAILED(hr)) {
            return hr;
        }
        ParsedHistory parsed = ParseHistory(text);
        history.records.insert(history.records.end(), std::make_move_iterator(parsed.records.begin()),
            std::make_move_iterator(parsed.records.end()));
        history.damagedLines.insert(history.damagedLines.end(), parsed.damagedLines.begin(), parsed.damagedLines.end());
        history.damagedFiles.insert(history.damagedFiles.end(), parsed.damagedLines.size(), file);
    }
    return S_OK;
}

std::optional<Record> LastRecordOf(const std::wstring& path, const std::vector<std::string>& operations)
{
    for (const std::wstring& file : {path, RotatedPath(path)}) {
        std::string text;
        bool exists = false;
        if (FAILED(ReadWhole(file, text, exists))) {
            return std::nullopt;
        }
        if (std::optional<Record> record = LastRecordIn(text, operations)) {
            return record;
        }
    }
    return std::nullopt;
}

ParsedHistory ReadHistory(const std::wstring& path)
{
    ParsedHistory history;
    ReadHistory(path, history);
    return history;
}

} // namespace history
