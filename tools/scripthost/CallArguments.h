#pragma once
// Positional arguments of an IDispatch::Invoke call, first argument first.
#include <windows.h>
#include <oleauto.h>

#include <string>

class CCallArguments {
public:
    explicit CCallArguments(const DISPPARAMS* parameters);

    UINT Count() const { return m_count; }
    // True when the argument was not passed or was left out ("Missing" in VBScript).
    bool IsMissing(UINT index) const;
    VARIANT& At(UINT index) const;

    HRESULT GetString(UINT index, std::wstring& value) const;
    HRESULT GetLong(UINT index, LONG& value) const;
    // An object argument, by value or by reference; fails for Nothing/null.
    HRESULT GetObject(UINT index, IUnknown** value) const;

private:
    const DISPPARAMS* m_parameters;
    UINT m_count;
};

// Fills the exception information of a failed call with our own words and the code.
HRESULT RaiseDispatchError(EXCEPINFO* exception, HRESULT code, const std::wstring& description);
