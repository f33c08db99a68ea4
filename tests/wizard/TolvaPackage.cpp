#include "TolvaPackage.h"

#include "Owners.h"

#include <algorithm>

namespace {

constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR parameter)
{
    *reinterpret_cast<WORD*>(parameter) = language;
    return FALSE;
}

// The language the resource was compiled with (the update must name it exactly).
WORD ResourceLanguage(const std::wstring& program, UINT id, bool& present)
{
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    present = false;
    HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) {
        WORD found = 0xFFFF;
        ::EnumResourceLanguagesW(module, L"RAW_FILE", MAKEINTRESOURCEW(id), FirstLanguage,
                                 reinterpret_cast<LONG_PTR>(&found));
        if (found != 0xFFFF) {
            language = found;
            present = true;
        }
        ::FreeLibrary(module);
    }
    return language;
}

} // namespace

bool ReplaceRawFile(const std::wstring& program, UINT id, const std::vector<BYTE>& bytes)
{
    bool present = false;
    const WORD language = ResourceLanguage(program, id, present);
    HANDLE update = ::BeginUpdateResourceW(program.c_str(), FALSE);
    if (!update) {
        return false;
    }
    bool ok = true;
    if (present) {
        ok = ::UpdateResourceW(update, L"RAW_FILE", MAKEINTRESOURCEW(id), language, nullptr, 0) != FALSE;
    }
    if (ok) {
        static BYTE nothing = 0;
        ok = ::UpdateResourceW(update, L"RAW_FILE", MAKEINTRESOURCEW(id), language,
                               bytes.empty() ? &nothing : const_cast<BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())) != FALSE;
    }
    if (!(::EndUpdateResourceW(update, ok ? FALSE : TRUE) != FALSE && ok)) {
        return false;
    }
    // Read back what the package now carries.
    HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        return false;
    }
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"RAW_FILE");
    const BYTE* data = info ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, info))) : nullptr;
    const bool same = data && ::SizeofResource(module, info) == bytes.size() &&
                      std::equal(bytes.begin(), bytes.end(), data);
    ::FreeLibrary(module);
    return same;
}

bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 256 * 1024 * 1024) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() || (::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                             read == bytes.size());
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

int RunTool(const std::wstring& commandLine, std::string& output, DWORD milliseconds)
{
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return -1;
    }
    UniqueHandle reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writer.reset();
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        output.append(buffer, read);
    }
    if (::WaitForSingleObject(processHandle.get(), milliseconds) != WAIT_OBJECT_0) {
        ::TerminateProcess(processHandle.get(), 1);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(processHandle.get(), &code);
    return static_cast<int>(code);
}

bool ReadResumeValue(std::wstring& value)
{
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t buffer[1024] = {};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.get(), L"RVN", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    value = buffer;
    return true;
}

bool WriteResumeValueForTest(const std::wstring& value)
{
    UniqueHkey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(key.get(), L"RVN", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void DeleteResumeValueForTest()
{
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put()) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueW(key.get(), L"RVN");
    }
}
