// DLL entry points and registration of the test event source ("ScriptHostTest.EventSource")
// and the event bridge ("ScriptHostTest.EventBridge").
#include "EventBridge.h"
#include "TestEventSource.h"

#include "ClassFactory.h"
#include "ComModule.h"
#include "ModuleLock.h"
#include "RegistryScript.h"

#include <string>

namespace {

constexpr UINT kRegistryScript = 101;

HMODULE g_module = nullptr;

HRESULT RunScript(RegistryScriptMode mode)
{
    std::wstring path;
    const HRESULT hr = ModuleFilePath(g_module, path);
    if (FAILED(hr)) {
        return hr;
    }
    const RegistryScriptVariable variables[] = {{L"MODULE", path}};
    return RunRegistryScriptResource(g_module, kRegistryScript, variables, mode);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    ComPtr<IUnknown> factory;
    HRESULT hr = CLASS_E_CLASSNOTAVAILABLE;
    if (classId == CLSID_TestEventSource) {
        hr = CreateClassObject<ClassFactory<CTestEventSource>>(&factory);
    } else if (classId == CLSID_EventBridge) {
        hr = CreateClassObject<ClassFactory<CEventBridge>>(&factory);
    }
    return FAILED(hr) ? hr : factory->QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ModuleLock::Count() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    return RunScript(RegistryScriptMode::Register);
}

STDAPI DllUnregisterServer()
{
    return RunScript(RegistryScriptMode::Remove);
}
