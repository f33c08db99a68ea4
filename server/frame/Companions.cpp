#include "Companions.h"

std::wstring ServerFolder()
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&ServerFolder), &module)) {
        return L"";
    }
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return L"";
    }
    std::wstring folder(path, length);
    const size_t separator = folder.find_last_of(L"\\/");
    return separator == std::wstring::npos ? L"" : folder.substr(0, separator + 1);
}

std::wstring CompanionInServerFolder(const wchar_t* name)
{
    const std::wstring folder = ServerFolder();
    if (folder.empty()) {
        return L"";
    }
    std::wstring path = folder + name;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return L"";
    }
    return path;
}

HMODULE LoadCompanionLibrary(const wchar_t* name)
{
    const std::wstring path = CompanionInServerFolder(name);
    if (!path.empty()) {
        // The library's own dependencies are then looked for beside it, too.
        if (HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
            return module;
        }
    }
    return ::LoadLibraryW(name);
}
