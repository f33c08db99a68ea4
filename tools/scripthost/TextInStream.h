#pragma once
// WScript.StdIn: ReadLine and AtEndOfStream over the host's standard input.
#include "NamedDispatch.h"

#include <string>

class CTextInStream final : public CNamedDispatch {
public:
    CTextInStream();

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const CCallArguments& arguments, VARIANT* result,
        EXCEPINFO* exception) override;

private:
    // Reads more input into m_pending; false at the end of the input (or when there is none).
    bool Fill();

    HANDLE m_handle;
    bool m_console = false;
    bool m_ended = false;
    std::wstring m_pending;    // read but not yet handed to the script
    std::string m_undecoded;   // the start of a UTF-8 sequence whose rest is still to come
};
