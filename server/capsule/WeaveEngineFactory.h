// Creation of the capsule-editing engine of "Quillon.dll", and its registration for hosts
// that carry the library but have not registered it.
#pragma once

#include <windows.h>

#include <WeaveEngine.h>

class CWeaveEngineFactory {
public:
    static constexpr const wchar_t* kLibraryName = L"Quillon.dll";

    // The engine class created with any server context, asked for IUnknown, put in the
    // running state, then asked for IWeaveEngine. The result of the first failing step.
    static HRESULT Create(IWeaveEngine** engine);
    // Registers the server folder's "Quillon.dll" when there is one, else the current
    // folder's: S_OK or E_FAIL.
    static HRESULT RegisterFromCurrentFolder();
};
