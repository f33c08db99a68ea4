#include "history/HistoryStamp.h"

#include "history/HistoryFile.h"
#include "history/Sha256.h"

#include "Owners.h"

#include <lmcons.h>

#include <cstdio>
#include <vector>

namespace history {

namespace {

HRESULT LastError()
{
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

std::string UserName()
{
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    return ::GetUserNameW(name, &size) ? Utf8(name) : std::string();
}

std::string HostProgram()
{
    // Long paths are rare, but a path cut short would name the wrong program.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return Utf8(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

std::string Utf8(std::wstring_view text)
{
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                              nullptr);
    }
    return out;
}

std::wstring Wide(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    }
    return out;
}

std::string UtcNow()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

void Stamp(Record& record)
{
    record.time = UtcNow();
    record.user = UserName();
    record.host = HostProgram();
}

HRESULT FileSha256(const std::wstring& path, std::string& hex)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        return LastError();
    }
    Sha256 digest;
    std::vector<uint8_t> chunk(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            return LastError();
        }
        if (read == 0) {
            break;
        }
        digest.Update(std::span<const uint8_t>(chunk.data(), read));
    }
    hex = digest.Finish();
    return S_OK;
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    full.resize(length);
    return full;
}

HRESULT AppendStamped(Record record)
{
    Stamp(record);
    const std::wstring path = HistoryPath();
    if (path.empty()) {
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
    return AppendRecord(path, record);
}

} // namespace history
