#include "TypeLibrary.h"

#include "Owners.h"

#include <wrl/client.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace {

struct GuidLess {
    bool operator()(const GUID& left, const GUID& right) const { return memcmp(&left, &right, sizeof(GUID)) < 0; }
};

std::mutex g_cacheLock;
// Kept until the process ends: releasing COM objects from DllMain at detach is unsafe.
std::map<GUID, ITypeLib*, GuidLess>* g_libraries;
std::map<GUID, ITypeInfo*, GuidLess>* g_typeInfos;

HRESULT LoadFromModule(const void* addressInModule, ITypeLib** library)
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(addressInModule), &module)) {
        return HRESULT_FROM_WIN32(::GetLastError());
    }
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) {
        return E_FAIL;
    }
    path.resize(length);
    return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
}

} // namespace

namespace TypeLibrary {

HRESULT Load(const GUID& libid, WORD major, WORD minor, const void* addressInModule, ITypeLib** library)
{
    if (!library) {
        return E_POINTER;
    }
    *library = nullptr;
    std::lock_guard guard(g_cacheLock);
    if (!g_libraries) {
        g_libraries = new (std::nothrow) std::map<GUID, ITypeLib*, GuidLess>;
        if (!g_libraries) {
            return E_OUTOFMEMORY;
        }
    }
    auto found = g_libraries->find(libid);
    if (found == g_libraries->end()) {
        ComPtr<ITypeLib> loaded;
        HRESULT hr = LoadFromModule(addressInModule, &loaded);
        if (FAILED(hr)) {
            // Our libraries are registered for English (United States), 0x409.
            hr = ::LoadRegTypeLib(libid, major, minor, MAKELCID(0x409, SORT_DEFAULT), &loaded);
        }
        if (FAILED(hr)) {
            return hr;
        }
        found = g_libraries->emplace(libid, loaded.Detach()).first;
    }
    *library = found->second;
    (*library)->AddRef();
    return S_OK;
}

HRESULT GetTypeInfo(const GUID& libid, WORD major, WORD minor, const void* addressInModule, REFIID iid,
                    ITypeInfo** typeInfo)
{
    if (!typeInfo) {
        return E_POINTER;
    }
    *typeInfo = nullptr;
    {
        std::lock_guard guard(g_cacheLock);
        if (g_typeInfos) {
            auto found = g_typeInfos->find(iid);
            if (found != g_typeInfos->end()) {
                *typeInfo = found->second;
                (*typeInfo)->AddRef();
                return S_OK;
            }
        }
    }
    ComPtr<ITypeLib> library;
    HRESULT hr = Load(libid, major, minor, addressInModule, &library);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(iid, &info);
    if (FAILED(hr)) {
        return hr;
    }
    std::lock_guard guard(g_cacheLock);
    if (!g_typeInfos) {
        g_typeInfos = new (std::nothrow) std::map<GUID, ITypeInfo*, GuidLess>;
        if (!g_typeInfos) {
            return E_OUTOFMEMORY;
        }
    }
    auto [entry, inserted] = g_typeInfos->emplace(iid, info.Get());
    if (inserted) {
        info->AddRef();
    }
    *typeInfo = entry->second;
    (*typeInfo)->AddRef();
    return S_OK;
}

} // namespace TypeLibrary
