// The singleton class object of CToolkit.
#include "Toolkit.h"

#include "ModuleLock.h"

namespace {

// One toolkit per process: every CreateInstance answers with the live toolkit. A failed
// creation is remembered and returned again. Once the last client has released the
// toolkit, the next CreateInstance makes a new one rather than hand out a dead object.
class ToolkitClassObject final : public ComObject<ToolkitClassObject, IClassFactory> {
public:
    static constexpr bool kLocksModule = false;
    static constexpr bool kAggregatable = false;

    ToolkitClassObject() { ::InitializeCriticalSection(&m_lock); }
    ~ToolkitClassObject() override { ::DeleteCriticalSection(&m_lock); }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        ::EnterCriticalSection(&m_lock);
        HRESULT hr = m_creationResult;
        if (SUCCEEDED(hr)) {
            if (CToolkit* toolkit = CToolkit::Instance()) {
                hr = toolkit->QueryInterface(iid, object);
            } else {
                hr = CToolkit::CreateObject(nullptr, iid, object);
                if (FAILED(hr) && hr != E_NOINTERFACE) {
                    m_creationResult = hr;
                }
            }
        }
        ::LeaveCriticalSection(&m_lock);
        return hr;
    }
    IFACEMETHODIMP LockServer(BOOL lock) override
    {
        lock ? ModuleLock::Increment() : ModuleLock::Decrement();
        return S_OK;
    }

private:
    CRITICAL_SECTION m_lock;
    HRESULT m_creationResult = S_OK;
};

} // namespace

HRESULT CreateToolkitClassObject(IUnknown** classObject)
{
    return ToolkitClassObject::CreateObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(classObject));
}
