#include "WeaveEngineFactory.h"

#include "ComObject.h"
#include "ComRegistrar.h"
#include "frame/Companions.h"

#include <ole2.h>

#include <string>

HRESULT CWeaveEngineFactory::Create(IWeaveEngine** engine)
{
    if (!engine) {
        return E_POINTER;
    }
    *engine = nullptr;
    ComPtr<IUnknown> unknown;
    HRESULT hr = ::CoCreateInstance(CLSID_WeaveEngine, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&unknown));
    if (FAILED(hr)) {
        return hr;
    }
    hr = ::OleRun(unknown.Get());
    if (FAILED(hr)) {
        return hr;
    }
    return unknown->QueryInterface(IID_PPV_ARGS(engine));
}

HRESULT CWeaveEngineFactory::RegisterFromCurrentFolder()
{
    const std::wstring beside = CompanionInServerFolder(kLibraryName);
    if (!beside.empty()) {
        return CCOMRegistrar::RegisterServer(beside.c_str());
    }
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) {
        return E_FAIL;
    }
    std::wstring path(folder, length);
    if (path.back() != L'\\') {
        path += L'\\';
    }
    path += kLibraryName;
    return CCOMRegistrar::RegisterServer(path.c_str());
}
