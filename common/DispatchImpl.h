// IDispatch served from a type library: GetIDsOfNames and Invoke are forwarded to the
// cached ITypeInfo of the interface, which calls our vtable.
#pragma once

#include "ComObject.h"
#include "TypeLibrary.h"

template <const GUID& Libid, WORD Major, WORD Minor, typename I, typename... Bases>
class DispatchOf : public I {
public:
    using Interface = I;
    using BaseInterfaces = InterfaceList<Bases...>;

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count) {
            return E_POINTER;
        }
        *count = 1;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override
    {
        if (!typeInfo) {
            return E_POINTER;
        }
        *typeInfo = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        return LoadTypeInfo(typeInfo);
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        ComPtr<ITypeInfo> typeInfo;
        HRESULT hr = LoadTypeInfo(&typeInfo);
        return FAILED(hr) ? hr : typeInfo->GetIDsOfNames(names, count, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override
    {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        ComPtr<ITypeInfo> typeInfo;
        HRESULT hr = LoadTypeInfo(&typeInfo);
        if (FAILED(hr)) {
            return hr;
        }
        // Script engines ask for the enumerator as a method call (JScript's Enumerator) or as
        // a method-or-property call (VBScript's For Each); the type library declares it a
        // property, and its Invoke refuses a plain method call.
        if (id == DISPID_NEWENUM && (flags & DISPATCH_METHOD)) {
            flags |= DISPATCH_PROPERTYGET;
        }
        // VBScript assigns an object (a collection, Nothing) with Set, which asks for a put
        // by reference. The type libraries declare plain puts only, of properties that take
        // any VARIANT, objects included; so the put by reference is made as a plain put.
        if ((flags & DISPATCH_PROPERTYPUTREF) && !(flags & DISPATCH_PROPERTYPUT)) {
            flags = static_cast<WORD>((flags & ~DISPATCH_PROPERTYPUTREF) | DISPATCH_PROPERTYPUT);
        }
        return typeInfo->Invoke(static_cast<I*>(this), id, flags, parameters, result, exception, argumentError);
    }

private:
    static HRESULT LoadTypeInfo(ITypeInfo** typeInfo)
    {
        // The address of a function of this module finds the module's own type library.
        return TypeLibrary::GetTypeInfo(Libid, Major, Minor, reinterpret_cast<const void*>(&TypeLibrary::Load),
                                        __uuidof(I), typeInfo);
    }
};

// ISupportErrorInfo that answers S_OK for the class's default interface only.
template <typename DefaultInterface>
class SupportErrorInfoFor : public ISupportErrorInfo {
public:
    using Interface = ISupportErrorInfo;
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override
    {
        return iid == __uuidof(DefaultInterface) ? S_OK : S_FALSE;
    }
};
