// Class objects and the table that DllGetClassObject serves them from.
#pragma once

#include "ComObject.h"

#include <span>

// The ordinary class object: a new object for each CreateInstance (aggregated when asked).
// Class objects do not hold the module: the table keeps them until the module ends.
template <typename T>
class ClassFactory final : public ComObject<ClassFactory<T>, IClassFactory> {
public:
    static constexpr bool kLocksModule = false;
    static constexpr bool kAggregatable = false;

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        return T::CreateObject(outer, iid, object);
    }
    IFACEMETHODIMP LockServer(BOOL lock) override
    {
        lock ? ModuleLock::Increment() : ModuleLock::Decrement();
        return S_OK;
    }
};

template <typename Factory>
HRESULT CreateClassObject(IUnknown** classObject)
{
    return Factory::CreateObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(classObject));
}

// One row of the object map.
struct ClassEntry {
    const CLSID* clsid;
    HRESULT (*createClassObject)(IUnknown** classObject);
    IUnknown* classObject; // created on first request, kept until the module ends
    UINT registryScript;   // resource number of the class's registry script
};

// DllGetClassObject over a table; `lock` guards the creation of class objects, since
// DllGetClassObject may be called from any thread.
HRESULT GetClassObjectFromTable(std::span<ClassEntry> table, CRITICAL_SECTION& lock, REFCLSID clsid,
                                REFIID iid, void** object);
// Releases the class objects at module end.
void ReleaseClassObjects(std::span<ClassEntry> table);
