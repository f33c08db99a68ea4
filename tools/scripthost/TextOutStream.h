#pragma once
// WScript.StdOut / WScript.StdErr: Write, WriteLine and WriteBlankLines.
#include "NamedDispatch.h"

class CTextOutStream final : public CNamedDispatch {
public:
    explicit CTextOutStream(DWORD standardHandle);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const CCallArguments& arguments, VARIANT* result,
        EXCEPINFO* exception) override;

private:
    DWORD m_standardHandle;
};
