// A reference-counted COM object with aggregation support, in the shape of a classic
// in-process server without ATL:
//
//   class CThing : public ComObject<CThing, IThing, ISupportErrorInfo> { ... };
//
// Every interface's IUnknown delegates to the controlling unknown: the outer object when
// aggregated, else the object's own inner unknown, which holds the reference count and
// answers QueryInterface from the interface list.
#pragma once

#include "ModuleLock.h"

#include <unknwn.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <new>
#include <type_traits>
#include <utility>

using Microsoft::WRL::ComPtr;

// An entry of the interface list may be a mixin (such as DispatchOf<IThing>) that names the
// interface it implements as `Interface` and its further base interfaces as `BaseInterfaces`.
template <typename T>
struct InterfaceOf {
    using Type = T;
};
template <typename T>
    requires requires { typename T::Interface; }
struct InterfaceOf<T> {
    using Type = typename T::Interface;
};

template <typename... T>
struct InterfaceList {};

template <typename T>
struct BaseInterfacesOf {
    using Type = InterfaceList<>;
};
template <typename T>
    requires requires { typename T::BaseInterfaces; }
struct BaseInterfacesOf<T> {
    using Type = typename T::BaseInterfaces;
};

template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        return m_controllingUnknown->QueryInterface(iid, object);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return m_controllingUnknown->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return m_controllingUnknown->Release(); }

    // Creates an object, aggregated when `outer` is given (then `iid` must be IUnknown),
    // runs its FinalConstruct and returns the requested interface.
    template <typename... Args>
    static HRESULT CreateObject(IUnknown* outer, REFIID iid, void** object, Args&&... args)
    {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer && (!Derived::kAggregatable || iid != IID_IUnknown)) {
            return CLASS_E_NOAGGREGATION;
        }
        Derived* created = new (std::nothrow) Derived(std::forward<Args>(args)...);
        if (!created) {
            return E_OUTOFMEMORY;
        }
        ComObject* base = created;
        base->m_controllingUnknown = outer ? outer : &base->m_inner;
        // The inner reference keeps the object alive while FinalConstruct runs.
        HRESULT hr = created->FinalConstruct();
        if (SUCCEEDED(hr)) {
            hr = base->m_inner.QueryInterface(iid, object);
        }
        base->m_inner.Release();
        return hr;
    }

    // Creates a plain (not aggregated) object for use inside the server.
    template <typename... Args>
    static HRESULT Make(ComPtr<Derived>& result, Args&&... args)
    {
        ComPtr<IUnknown> unknown;
        HRESULT hr = CreateObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()),
                                    std::forward<Args>(args)...);
        if (SUCCEEDED(hr)) {
            // Not Attach: mingw's ComPtr::Attach adds a reference of its own.
            *result.ReleaseAndGetAddressOf() = static_cast<Derived*>(
                static_cast<ComObject*>(static_cast<InnerUnknown*>(unknown.Detach())->Owner()));
        }
        return hr;
    }

    static constexpr bool kAggregatable = true;
    static constexpr bool kLocksModule = true;

protected:
    ComObject()
    {
        if constexpr (Derived::kLocksModule) {
            ModuleLock::Increment();
        }
    }
    virtual ~ComObject()
    {
        if constexpr (Derived::kLocksModule) {
            ModuleLock::Decrement();
        }
    }

    HRESULT FinalConstruct() { return S_OK; }
    // Further interfaces that the list does not name; null when none.
    void* QueryExtraInterface(REFIID) { return nullptr; }
    IUnknown* ControllingUnknown() const { return m_controllingUnknown; }
    LONG ReferenceCount() const { return m_inner.Count(); }

private:
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(ComObject* owner) : m_owner(owner) {}
        IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override
        {
            if (!object) {
                return E_POINTER;
            }
            *object = nullptr;
            if (iid == IID_IUnknown) {
                *object = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            void* found = m_owner->FindInterface(iid);
            if (!found) {
                return E_NOINTERFACE;
            }
            *object = found;
            m_owner->AddRef();
            return S_OK;
        }
        IFACEMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_references); }
        IFACEMETHODIMP_(ULONG) Release() override
        {
            const LONG remaining = ::InterlockedDecrement(&m_references);
            if (remaining == 0) {
                delete m_owner;
            }
            return remaining;
        }
        ComObject* Owner() const { return m_owner; }
        LONG Count() const { return m_references; }

    private:
        ComObject* m_owner;
        LONG m_references = 1;
    };

    template <typename Entry, typename... Bases>
    void* FindInEntry(REFIID iid, InterfaceList<Bases...>)
    {
        using I = typename InterfaceOf<Entry>::Type;
        I* direct = static_cast<I*>(static_cast<Entry*>(static_cast<Derived*>(this)));
        if (iid == __uuidof(I)) {
            return direct;
        }
        void* found = nullptr;
        ((found = (found || iid != __uuidof(Bases)) ? found : static_cast<Bases*>(direct)), ...);
        return found;
    }

    void* FindInterface(REFIID iid)
    {
        void* found = nullptr;
        ((found = found ? found : FindInEntry<Interfaces>(iid, typename BaseInterfacesOf<Interfaces>::Type{})), ...);
        if (!found && iid == IID_IDispatch) {
            found = FirstDispatch<Interfaces...>();
        }
        if (!found) {
            found = static_cast<Derived*>(this)->QueryExtraInterface(iid);
        }
        return found;
    }

    template <typename First, typename... Rest>
    void* FirstDispatch()
    {
        using I = typename InterfaceOf<First>::Type;
        if constexpr (std::is_base_of_v<IDispatch, I>) {
            return static_cast<IDispatch*>(static_cast<I*>(static_cast<First*>(static_cast<Derived*>(this))));
        } else if constexpr (sizeof...(Rest) > 0) {
            return FirstDispatch<Rest...>();
        } else {
            return nullptr;
        }
    }

    InnerUnknown m_inner{this};
    IUnknown* m_controllingUnknown = &m_inner;
};
