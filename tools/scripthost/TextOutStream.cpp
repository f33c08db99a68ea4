#include "TextOutStream.h"

#include "ConsoleOutput.h"

namespace {

enum : DISPID { kWrite = 1, kWriteLine, kWriteBlankLines };

constexpr DispatchMember kMembers[] = {
    {L"Write", kWrite},
    {L"WriteLine", kWriteLine},
    {L"WriteBlankLines", kWriteBlankLines},
};

}  // namespace

CTextOutStream::CTextOutStream(DWORD standardHandle) : CNamedDispatch(kMembers), m_standardHandle(standardHandle) {}

HRESULT CTextOutStream::InvokeMember(DISPID id, WORD, const CCallArguments& arguments, VARIANT*, EXCEPINFO* exception)
{
    std::wstring text;
    switch (id) {
    case kWrite:
    case kWriteLine: {
        HRESULT hr = arguments.IsMissing(0) ? S_OK : arguments.GetString(0, text);
        if (FAILED(hr)) {
            return RaiseDispatchError(exception, hr, L"the text to write cannot be converted to a string");
        }
        if (id == kWriteLine) {
            text += L"\r\n";
        }
        WriteConsoleText(m_standardHandle, text);
        return S_OK;
    }
    case kWriteBlankLines: {
        LONG lines = 0;
        const HRESULT hr = arguments.GetLong(0, lines);
        if (FAILED(hr) || lines < 0) {
            return RaiseDispatchError(exception, FAILED(hr) ? hr : E_INVALIDARG, L"WriteBlankLines needs a line count of 0 or more");
        }
        for (LONG i = 0; i < lines; ++i) {
            text += L"\r\n";
        }
        WriteConsoleText(m_standardHandle, text);
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}
