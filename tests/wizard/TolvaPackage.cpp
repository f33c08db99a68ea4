#include "TolvaPackage.h"

#include "Owners.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

template <typename T>
bool ReadAt(const std::vector<BYTE>& file, size_t offset, T& value)
{
    if (offset > file.size() || file.size() - offset < sizeof(T)) {
        return false;
    }
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return true;
}

// The file offset of a relative virtual address, through the section that holds it.
bool FileOffset(const std::vector<BYTE>& file, size_t sections, WORD count, DWORD rva, size_t& offset)
{
    for (WORD i = 0; i < count; ++i) {
        IMAGE_SECTION_HEADER section{};
        if (!ReadAt(file, sections + i * sizeof(section), section)) {
            return false;
        }
        const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
            offset = size_t{section.PointerToRawData} + (rva - section.VirtualAddress);
            return offset < file.size();
        }
    }
    return false;
}

// The entry of `directory` (an offset into the resource tree) named `name` or numbered
// `id`; answers the entry's OffsetToData.
bool FindEntry(const std::vector<BYTE>& file, size_t root, DWORD directory, const wchar_t* name, UINT id,
               DWORD& target)
{
    IMAGE_RESOURCE_DIRECTORY header{};
    if (!ReadAt(file, root + directory, header)) {
        return false;
    }
    const size_t entries = root + directory + sizeof(header);
    for (size_t i = 0; i < size_t{header.NumberOfNamedEntries} + header.NumberOfIdEntries; ++i) {
        IMAGE_RESOURCE_DIRECTORY_ENTRY entry{};
        if (!ReadAt(file, entries + i * sizeof(entry), entry)) {
            return false;
        }
        bool match = false;
        if (entry.NameIsString && name) {
            WORD length = 0;
            const size_t text = root + entry.NameOffset;
            if (!ReadAt(file, text, length) || length != wcslen(name) ||
                file.size() - text - sizeof(length) < length * sizeof(wchar_t)) {
                continue;
            }
            match = std::equal(name, name + length, reinterpret_cast<const wchar_t*>(file.data() + text + 2));
        } else if (!entry.NameIsString && !name) {
            match = id == UINT{entry.Id};
        }
        if (match) {
            target = entry.OffsetToData;
            return true;
        }
    }
    return false;
}

// Gives the first language of RAW_FILE `id` a size of 0 in the program file itself.
bool MakeRawFileEmpty(const std::wstring& program, UINT id)
{
    std::vector<BYTE> file;
    LONG headers = 0;
    IMAGE_FILE_HEADER fileHeader{};
    WORD magic = 0;
    if (!ReadWholeFile(program, file) || !ReadAt(file, offsetof(IMAGE_DOS_HEADER, e_lfanew), headers) ||
        headers < 0 || !ReadAt(file, size_t(headers) + 4, fileHeader) || !ReadAt(file, size_t(headers) + 24, magic)) {
        return false;
    }
    const size_t optional = size_t(headers) + 24;
    const size_t directories = optional + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? 112 : 96);
    IMAGE_DATA_DIRECTORY resources{};
    size_t root = 0;
    const size_t sections = optional + fileHeader.SizeOfOptionalHeader;
    if (!ReadAt(file, directories + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(resources), resources) ||
        !FileOffset(file, sections, fileHeader.NumberOfSections, resources.VirtualAddress, root)) {
        return false;
    }
    DWORD type = 0, name = 0, language = 0;
    if (!FindEntry(file, root, 0, L"RAW_FILE", 0, type) || !(type & 0x80000000) ||
        !FindEntry(file, root, type & 0x7FFFFFFF, nullptr, id, name) || !(name & 0x80000000)) {
        return false;
    }
    IMAGE_RESOURCE_DIRECTORY languages{};
    IMAGE_RESOURCE_DIRECTORY_ENTRY first{};
    const size_t list = root + (name & 0x7FFFFFFF);
    if (!ReadAt(file, list, languages) || languages.NumberOfNamedEntries + languages.NumberOfIdEntries == 0 ||
        !ReadAt(file, list + sizeof(languages), first) || (first.OffsetToData & 0x80000000)) {
        return false;
    }
    language = first.OffsetToData;
    IMAGE_RESOURCE_DATA_ENTRY data{};
    const size_t entry = root + language;
    if (!ReadAt(file, entry, data)) {
        return false;
    }
    data.Size = 0;
    std::memcpy(file.data() + entry, &data, sizeof(data));
    UniqueFile output(::CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return output && ::WriteFile(output.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) &&
           written == file.size();
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
        // Wine's UpdateResourceW refuses data of size 0 (Windows keeps an empty resource), so
        // an empty resource is written as one byte whose size is then set to 0 in the file.
        static BYTE nothing = 0;
        ok = ::UpdateResourceW(update, L"RAW_FILE", MAKEINTRESOURCEW(id), language,
                               bytes.empty() ? &nothing : const_cast<BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.empty() ? 1 : bytes.size())) != FALSE;
    }
    if (!(::EndUpdateResourceW(update, ok ? FALSE : TRUE) != FALSE && ok)) {
        return false;
    }
    if (bytes.empty() && !MakeRawFileEmpty(program, id)) {
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

bool UnregisterLibrary(const std::wstring& library)
{
    UniqueModule module(::LoadLibraryW(library.c_str()));
    using UnregisterFunction = HRESULT(STDAPICALLTYPE*)();
    auto unregister = module ? reinterpret_cast<UnregisterFunction>(
                                   reinterpret_cast<void*>(::GetProcAddress(module.get(), "DllUnregisterServer")))
                             : nullptr;
    return unregister && SUCCEEDED(unregister());
}

std::wstring RegisteredLibrary(const wchar_t* classId)
{
    const std::wstring key = std::wstring(L"CLSID\\") + classId + L"\\InprocServer32";
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    return buffer;
}

bool SamePath(const std::wstring& first, const std::wstring& second)
{
    wchar_t a[MAX_PATH * 2] = {}, b[MAX_PATH * 2] = {};
    return ::GetLongPathNameW(first.c_str(), a, MAX_PATH * 2) != 0 &&
           ::GetLongPathNameW(second.c_str(), b, MAX_PATH * 2) != 0 &&
           ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}
