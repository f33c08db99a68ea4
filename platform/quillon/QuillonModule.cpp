// Quillon.dll: module entry points, the class table and registration (registry script and
// type library).
#include "WeaveEngine.h"

#include "ClassFactory.h"
#include "ComModule.h"
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

HRESULT RunScript(UINT script, RegistryScriptMode mode)
{
    std::wstring path;
    HRESULT hr = ModuleFilePath(g_module, path);
    if (FAILED(hr)) {
        return hr;
    }
    const RegistryScriptVariable variables[] = {{L"MODULE", path}};
    return RunRegistryScriptResource(g_module, script, variables, mode);
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
    return RegisterModuleTypeLibrary(g_module);
}

STDAPI DllUnregisterServer()
{
    for (const ClassEntry& entry : g_objectMap) {
        const HRESULT hr = RunScript(entry.registryScript, RegistryScriptMode::Remove);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return UnregisterModuleTypeLibrary(g_module);
}
