// DLL entry points and registration of the test event source ("ScriptHostTest.EventSource").
#include "TestEventSource.h"

#include <olectl.h>

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kProgId[] = L"ScriptHostTest.EventSource";
constexpr wchar_t kDescription[] = L"Script host test event source";

HMODULE g_module = nullptr;
LONG g_locks = 0;

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ClassKey()
{
    wchar_t text[64] = {};
    StringFromGUID2(CLSID_TestEventSource, text, static_cast<int>(std::size(text)));
    return std::wstring(L"CLSID\\") + text;
}

LSTATUS SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(),
        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

class CTestClassFactory final : public CComObjectBase<IClassFactory> {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        return outer ? CLASS_E_NOAGGREGATION : CTestEventSource::Create(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        lock ? LockTestModule() : UnlockTestModule();
        return S_OK;
    }
};

}  // namespace

void LockTestModule()
{
    InterlockedIncrement(&g_locks);
}

void UnlockTestModule()
{
    InterlockedDecrement(&g_locks);
}

HRESULT GetTestTypeInfo(REFGUID guid, ITypeInfo** info)
{
    *info = nullptr;
    static ComPtr<ITypeLib> library;  // apartment-threaded class: one thread loads it
    if (!library) {
        const HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &library);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return library->GetTypeInfoOfGuid(guid, info);
}

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
    if (classId != CLSID_TestEventSource) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) CTestClassFactory();
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow()
{
    return g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    const std::wstring path = ModulePath();
    if (path.empty()) {
        return SELFREG_E_CLASS;
    }
    const std::wstring classKey = ClassKey();
    wchar_t classText[64] = {};
    StringFromGUID2(CLSID_TestEventSource, classText, static_cast<int>(std::size(classText)));
    const LSTATUS failed = SetValue(classKey, nullptr, kDescription) | SetValue(classKey + L"\\InprocServer32", nullptr, path) |
        SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") |
        SetValue(classKey + L"\\ProgID", nullptr, kProgId) | SetValue(kProgId, nullptr, kDescription) |
        SetValue(std::wstring(kProgId) + L"\\CLSID", nullptr, classText);
    return failed == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer()
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}
