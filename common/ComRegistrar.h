// Registers a COM server library by calling its DllRegisterServer export.
#pragma once

#include <windows.h>

class CCOMRegistrar {
public:
    // S_OK exactly when the library loaded, exports DllRegisterServer and that succeeded;
    // E_FAIL otherwise. The library is always unloaded again.
    static HRESULT RegisterServer(const wchar_t* libraryPath);
};
