// Board profiles on disk: the profile file and the files it names, read through Windows
// (under Wine a Unix path is mapped to its drive). The parser itself is BoardProfile.cpp.
#include "BoardProfile.h"

#include "FirmwareStore.h"

#include <windows.h>

namespace fwstore {

namespace {

std::wstring FolderOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

} // namespace

bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::wstring& error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = L"cannot open \"" + path + L"\": " + SystemErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok && static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        CloseHandle(file);
        error = L"\"" + path + L"\" is larger than " + std::to_wstring(maxBytes) + L" bytes";
        return false;
    }
    std::vector<uint8_t> content(ok ? static_cast<size_t>(size.QuadPart) : 0);
    DWORD read = 0;
    if (ok && !content.empty())
        ok = ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr) && read == content.size();
    DWORD lastError = GetLastError();
    CloseHandle(file);
    if (!ok) {
        error = L"cannot read \"" + path + L"\": " + SystemErrorText(lastError);
        return false;
    }
    bytes = std::move(content);
    return true;
}

StoreResult LoadBoardProfile(const std::wstring& path, StoreImage& image)
{
    std::wstring fullPath = CFirmwareStore::ResolvePath(path);
    std::vector<uint8_t> bytes;
    std::wstring error;
    if (!ReadWholeFile(fullPath, BOARD_PROFILE_MAX_BYTES, bytes, error))
        return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER, error);
    std::wstring folder = FolderOf(fullPath);
    BoardFileLoader loader = [&folder](const std::wstring& name, std::vector<uint8_t>& content, std::wstring& message) {
        bool absolute = name.size() > 1 && (name[1] == L':' || name[0] == L'\\' || name[0] == L'/');
        std::wstring filePath = absolute ? CFirmwareStore::ResolvePath(name) : folder + name;
        return ReadWholeFile(filePath, BOARD_FILE_MAX_BYTES, content, message);
    };
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return ParseBoardProfile(text, fullPath, loader, image);
}

} // namespace fwstore
