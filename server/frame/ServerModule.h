// CServerModule: the module object of PellamW.dll — lock count, object map, registration.
#pragma once

#include <windows.h>

class CServerModule {
public:
    static void Attach(HMODULE module);
    static void Detach();
    static HMODULE Handle();

    static HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);
    static HRESULT CanUnloadNow();
    static HRESULT RegisterServer();
    static HRESULT UnregisterServer();
};
