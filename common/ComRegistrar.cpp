#include "ComRegistrar.h"

#include "Owners.h"

HRESULT CCOMRegistrar::RegisterServer(const wchar_t* libraryPath)
{
    if (!libraryPath) {
        return E_FAIL;
    }
    UniqueModule library(::LoadLibraryW(libraryPath));
    if (!library) {
        return E_FAIL;
    }
    using RegisterFunction = HRESULT(STDAPICALLTYPE*)();
    auto registerServer =
        reinterpret_cast<RegisterFunction>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "DllRegisterServer")));
    if (!registerServer) {
        return E_FAIL;
    }
    return SUCCEEDED(registerServer()) ? S_OK : E_FAIL;
}
