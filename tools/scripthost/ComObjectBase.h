#pragma once
// Reference counting shared by the host's COM objects; each class answers QueryInterface itself.
#include <windows.h>
#include <unknwn.h>

#include <new>

template <class... Interfaces>
class CComObjectBase : public Interfaces... {
public:
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const auto remaining = static_cast<ULONG>(InterlockedDecrement(&m_references));
        if (remaining == 0) {
            delete this;
        }
        return remaining;
    }

protected:
    CComObjectBase() = default;
    virtual ~CComObjectBase() = default;

private:
    LONG m_references = 1;
};

// Runs a COM method body so that no exception crosses the interface.
template <class Body>
HRESULT GuardComCall(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
