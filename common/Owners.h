// Owners of Windows and OLE resources: one shape for all of them (get, put, release, reset,
// move-only). put() frees the old value first, so an out-parameter never leaks.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : m_value(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueResource() { reset(); }

    Type get() const { return m_value; }
    Type* put()
    {
        reset();
        return &m_value;
    }
    Type release() { return std::exchange(m_value, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid())
    {
        Type old = std::exchange(m_value, value);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }
    explicit operator bool() const { return m_value != Traits::Invalid(); }

private:
    Type m_value = Traits::Invalid();
};

struct HandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::CloseHandle(value); }
};
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type value) { ::CloseHandle(value); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::FreeLibrary(value); }
};
struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::RegCloseKey(value); }
};
struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static void Close(Type value) { ::SysFreeString(value); }
};

using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueFile = UniqueResource<FileHandleTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueHkey = UniqueResource<RegistryKeyTraits>;

class UniqueBstr : public UniqueResource<BstrTraits> {
public:
    using UniqueResource::UniqueResource;
    UniqueBstr() = default;
    // Copies text; a null result means out of memory (only when text is not empty).
    static UniqueBstr From(const wchar_t* text) { return UniqueBstr(::SysAllocString(text)); }
    static UniqueBstr From(const wchar_t* text, UINT length) { return UniqueBstr(::SysAllocStringLen(text, length)); }
    UINT length() const { return ::SysStringLen(get()); }
    // Never null, for code that wants a string to read.
    const wchar_t* c_str() const { return get() ? get() : L""; }
};

class UniqueVariant {
public:
    UniqueVariant() { ::VariantInit(&m_value); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    UniqueVariant(UniqueVariant&& other) noexcept : m_value(other.release()) {}
    UniqueVariant& operator=(UniqueVariant&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_value = other.release();
        }
        return *this;
    }
    ~UniqueVariant() { reset(); }

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    VARIANT* operator->() { return &m_value; }
    const VARIANT* operator->() const { return &m_value; }
    VARIANT* put()
    {
        reset();
        return &m_value;
    }
    VARIANT release()
    {
        VARIANT value = m_value;
        ::VariantInit(&m_value);
        return value;
    }
    void reset() { ::VariantClear(&m_value); }
    HRESULT CopyFrom(const VARIANT& source) { return ::VariantCopy(put(), const_cast<VARIANT*>(&source)); }

private:
    VARIANT m_value;
};

// Frees CoTaskMemAlloc memory.
template <typename T>
class UniqueCoTaskMem {
public:
    UniqueCoTaskMem() = default;
    UniqueCoTaskMem(const UniqueCoTaskMem&) = delete;
    UniqueCoTaskMem& operator=(const UniqueCoTaskMem&) = delete;
    ~UniqueCoTaskMem() { ::CoTaskMemFree(m_value); }
    T* get() const { return m_value; }
    T** put()
    {
        ::CoTaskMemFree(m_value);
        m_value = nullptr;
        return &m_value;
    }

private:
    T* m_value = nullptr;
};
