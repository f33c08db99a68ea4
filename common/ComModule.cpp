#include "ComModule.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

HRESULT ModuleFilePath(HMODULE module, std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(module, buffer, MAX_PATH);
    if (length == 0) {
        return HRESULT_FROM_WIN32(::GetLastError());
    }
    if (length >= MAX_PATH) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    path.assign(buffer, length);
    return S_OK;
}

HRESULT LoadModuleTypeLibrary(HMODULE module, ITypeLib** library, std::wstring& path)
{
    HRESULT hr = ModuleFilePath(module, path);
    if (FAILED(hr)) {
        return hr;
    }
    hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
    if (SUCCEEDED(hr)) {
        return hr;
    }
    const size_t dot = path.find_last_of(L'.');
    const size_t slash = path.find_last_of(L"\\/");
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    std::wstring tlb = path.substr(0, hasExtension ? dot : path.size()) + L".tlb";
    if (tlb.size() >= MAX_PATH) {
        return E_FAIL;
    }
    hr = ::LoadTypeLibEx(tlb.c_str(), REGKIND_NONE, library);
    if (SUCCEEDED(hr)) {
        path = tlb;
    }
    return hr;
}

HRESULT RegisterModuleTypeLibrary(HMODULE module)
{
    ComPtr<ITypeLib> library;
    std::wstring path;
    HRESULT hr = LoadModuleTypeLibrary(module, &library, path);
    if (FAILED(hr)) {
        return hr;
    }
    return ::RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
}

HRESULT UnregisterModuleTypeLibrary(HMODULE module)
{
    ComPtr<ITypeLib> library;
    std::wstring path;
    HRESULT hr = LoadModuleTypeLibrary(module, &library, path);
    if (FAILED(hr)) {
        return hr;
    }
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) {
        return hr;
    }
    const TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    hr = ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}
