#include "ClassFactory.h"

HRESULT GetClassObjectFromTable(std::span<ClassEntry> table, CRITICAL_SECTION& lock, REFCLSID clsid,
                                REFIID iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    for (ClassEntry& entry : table) {
        if (*entry.clsid != clsid) {
            continue;
        }
        HRESULT hr = S_OK;
        ::EnterCriticalSection(&lock);
        if (!entry.classObject) {
            hr = entry.createClassObject(&entry.classObject);
        }
        ::LeaveCriticalSection(&lock);
        if (FAILED(hr)) {
            return hr;
        }
        return entry.classObject->QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseClassObjects(std::span<ClassEntry> table)
{
    for (ClassEntry& entry : table) {
        if (entry.classObject) {
            entry.classObject->Release();
            entry.classObject = nullptr;
        }
    }
}
