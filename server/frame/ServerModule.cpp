#include "ServerModule.h"

#include "ObjectMapEntries.h"
#include "DiagnosticsLog.h"

#include "ClassFactory.h"
#include "ComModule.h"
#include "ModuleLock.h"
#include "Owners.h"
#include "RegistryScript.h"

#include <ServerLib.h>

#include <iterator>
#include <string>

namespace {

constexpr wchar_t kAppId[] = L"{C31F0D2F-C75B-4E19-A341-DC7447998BC1}";
constexpr UINT kModuleScript = 101;

HMODULE g_module = nullptr;
CRITICAL_SECTION g_classObjectLock;

ClassEntry g_objectMap[] = {
    {&CLSID_Toolkit, CreateToolkitClassObject, nullptr, 102},
    {&CLSID_VariantCollection, CreateVariantCollectionClassObject, nullptr, 103},
    {&CLSID_BIOSImage, CreateBIOSImageClassObject, nullptr, 111},
    {&CLSID_BIOSInfo, CreateBIOSInfoClassObject, nullptr, 108},
    {&CLSID_SMBIOSSetting, CreateSMBIOSSettingClassObject, nullptr, 110},
    {&CLSID_CoolingSetting, CreateCoolingSettingClassObject, nullptr, 109},
    {&CLSID_TokensSetting, CreateTokensSettingClassObject, nullptr, 112},
    {&CLSID_ConfigGroupCollection, CreateConfigGroupCollectionClassObject, nullptr, 106},
    {&CLSID_ConfigDataCollection, CreateConfigDataCollectionClassObject, nullptr, 107},
    {&CLSID_ConfigGroup, CreateConfigGroupClassObject, nullptr, 105},
    {&CLSID_BiosCapsule, CreateBiosCapsuleClassObject, nullptr, 113},
    {&CLSID_Utility, CreateUtilityClassObject, nullptr, 114},
    {&CLSID_SystemCapabilities, CreateSystemCapabilitiesClassObject, nullptr, 115},
};

HRESULT RunScript(UINT script, RegistryScriptMode mode)
{
    std::wstring path;
    HRESULT hr = ModuleFilePath(g_module, path);
    if (FAILED(hr)) {
        return hr;
    }
    const RegistryScriptVariable variables[] = {{L"MODULE", path}, {L"APPID", kAppId}};
    return RunRegistryScriptResource(g_module, script, variables, mode);
}

} // namespace

void CServerModule::Attach(HMODULE module)
{
    g_module = module;
    ::InitializeCriticalSection(&g_classObjectLock);
}

void CServerModule::Detach()
{
    ReleaseClassObjects(g_objectMap);
    ::DeleteCriticalSection(&g_classObjectLock);
}

HMODULE CServerModule::Handle() { return g_module; }

HRESULT CServerModule::GetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!g_module) {
        return E_INVALIDARG;
    }
    return GetClassObjectFromTable(g_objectMap, g_classObjectLock, clsid, iid, object);
}

HRESULT CServerModule::CanUnloadNow() { return ModuleLock::Count() == 0 ? S_OK : S_FALSE; }

HRESULT CServerModule::RegisterServer()
{
    ThreadLocaleScope locale;
    HRESULT hr = RunScript(kModuleScript, RegistryScriptMode::Register);
    for (const ClassEntry& entry : g_objectMap) {
        if (FAILED(hr)) {
            break;
        }
        hr = RunScript(entry.registryScript, RegistryScriptMode::Register);
    }
    if (SUCCEEDED(hr)) {
        // The type library also registers the marshalling of the dual interfaces.
        hr = RegisterModuleTypeLibrary(g_module);
    }
    return hr;
}

HRESULT CServerModule::UnregisterServer()
{
    ThreadLocaleScope locale;
    HRESULT hr = S_OK;
    for (const ClassEntry& entry : g_objectMap) {
        hr = RunScript(entry.registryScript, RegistryScriptMode::Remove);
        if (FAILED(hr)) {
            return hr;
        }
    }
    hr = UnregisterModuleTypeLibrary(g_module);
    if (FAILED(hr)) {
        return hr;
    }
    return RunScript(kModuleScript, RegistryScriptMode::Remove);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        CServerModule::Attach(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        CServerModule::Detach();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return CServerModule::GetClassObject(clsid, iid, object);
}
STDAPI DllCanUnloadNow() { return CServerModule::CanUnloadNow(); }
STDAPI DllRegisterServer() { return CServerModule::RegisterServer(); }
STDAPI DllUnregisterServer() { return CServerModule::UnregisterServer(); }
