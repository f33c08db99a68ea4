// Type information from a type library, loaded once and cached per interface.
#pragma once

#include <oaidl.h>

namespace TypeLibrary {

// The type library of the module that contains `addressInModule` (its TYPELIB resource 1),
// falling back to the registered library `libid` major.minor.
HRESULT Load(const GUID& libid, WORD major, WORD minor, const void* addressInModule, ITypeLib** library);
// Cached ITypeInfo of `iid` from the library above (AddRef'ed for the caller).
HRESULT GetTypeInfo(const GUID& libid, WORD major, WORD minor, const void* addressInModule, REFIID iid,
                    ITypeInfo** typeInfo);

} // namespace TypeLibrary
