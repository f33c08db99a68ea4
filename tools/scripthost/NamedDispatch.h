#pragma once
// IDispatch over a fixed table of member names, for the small objects the host gives scripts.
#include "CallArguments.h"

#include "ComObject.h"

#include <oaidl.h>

#include <span>

struct DispatchMember {
    const wchar_t* name;
    DISPID id;
};

class CNamedDispatch : public ComObject<CNamedDispatch, IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
        EXCEPINFO* exception, UINT* argumentError) override;

protected:
    explicit CNamedDispatch(std::span<const DispatchMember> members) : m_members(members) {}

    // `result` may be null when the caller discards it; it is initialised (VT_EMPTY) when not.
    virtual HRESULT InvokeMember(DISPID id, WORD flags, const CCallArguments& arguments, VARIANT* result,
        EXCEPINFO* exception) = 0;

private:
    std::span<const DispatchMember> m_members;
};

// Result helpers for InvokeMember.
HRESULT ReturnString(VARIANT* result, const std::wstring& text);
HRESULT ReturnLong(VARIANT* result, LONG value);
HRESULT ReturnObject(VARIANT* result, IDispatch* object);
