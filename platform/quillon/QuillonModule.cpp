// Quillon.dll: module entry points, the class table and registration (registry script and
// type library).
#include "WeaveEngine.h"

#include "ClassFactory.h"
#include "ModuleLock.h"
#include "RegistryScript.h"

#include <string>

namespace {

constexpr UINT kEngineScript = 101;

HMODULE g_module = nullptr;
CRITICAL_SECTION g_classObjectLock;

ClassEntry g_objectMap[] = {
    {&CLSID_WeaveEngine, CreateClassObject<ClassFactory<CWeaveEngine>>, nullptr, kEngineScript},
};

HRESULT ModulePath(std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(g_module, buffer, MAX_PATH);
    if (length == 0) {
        return HRESULT_FROM_WIN32(::GetLastError());
    }
    if (length >= MAX_PATH) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    path.assign(buffer, length);
    return S_OK;
}

HRESULT RunScript(UINT script, RegistryScriptMode mode)
{
    std::wstring path;
    HRESULT hr = ModulePath(path);
    if (FAILED(hr)) {
        return hr;
    }
    const RegistryScriptVariable variables[] = {{L"MODULE", path}};
    return RunRegistryScriptResource(g_module, script, variables, mode);
}

// The type library also registers the marshalling of the dual interfaces.
HRESULT RegisterTypeLibrary()
{
    std::wstring path;
    HRESULT hr = ModulePath(path);
    ComPtr<ITypeLib> library;
    if (SUCCEEDED(hr)) {
        hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    }
    if (SUCCEEDED(hr)) {
        hr = ::RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
    }
    return hr;
}

HRESULT UnregisterTypeLibrary()
{
    const HRESULT hr = ::UnRegisterTypeLib(LIBID_WeaveEngineLib, 1, 0, LANG_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    // Already absent is what unregistration wants.
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        g_module = instance;
        ::InitializeCriticalSection(&g_classObjectLock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        ReleaseClassObjects(g_objectMap);
        ::DeleteCriticalSection(&g_classObjectLock);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return GetClassObjectFromTable(g_objectMap, g_classObjectLock, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return ModuleLock::Count() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer()
{
    HRESULT hr = S_OK;
    for (const ClassEntry& entry : g_objectMap) {
        hr = RunScript(entry.registryScript, RegistryScriptMode::Register);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return RegisterTypeLibrary();
}

STDAPI DllUnregisterServer()
{
    for (const ClassEntry& entry : g_objectMap) {
        const HRESULT hr = RunScript(entry.registryScript, RegistryScriptMode::Remove);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return UnregisterTypeLibrary();
}
