// What every in-process COM server of ours does at registration: find its own file, run
// its registry scripts, register the type library inside it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

// The full path of `module`; ERROR_INSUFFICIENT_BUFFER as HRESULT when it is 260 characters
// or longer.
HRESULT ModuleFilePath(HMODULE module, std::wstring& path);

// The type library of `module`: resource TYPELIB 1 of its file, or else the ".tlb" file
// beside it (E_FAIL when that name would be too long). `path` is where it was found.
HRESULT LoadModuleTypeLibrary(HMODULE module, ITypeLib** library, std::wstring& path);
// Registering the type library also registers the marshalling of dual interfaces.
HRESULT RegisterModuleTypeLibrary(HMODULE module);
// Removes the registration; a library that is not registered is not an error.
HRESULT UnregisterModuleTypeLibrary(HMODULE module);

// Runs registration with the system default locale, whatever the calling thread uses, and
// restores the thread's locale afterwards.
class ThreadLocaleScope {
public:
    ThreadLocaleScope() : m_previous(::GetThreadLocale()) { ::SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~ThreadLocaleScope() { ::SetThreadLocale(m_previous); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

private:
    LCID m_previous;
};
