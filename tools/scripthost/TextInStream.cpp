#include "TextInStream.h"

namespace {

enum : DISPID { kReadLine = 1, kAtEndOfStream };

constexpr DispatchMember kMembers[] = {
    {L"ReadLine", kReadLine},
    {L"AtEndOfStream", kAtEndOfStream},
};

// What VBScript itself raises for a read past the end of a file ("Input past end of file").
constexpr HRESULT kInputPastEnd = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 62);

// Moves the whole UTF-8 sequences at the start of `bytes` into `text`; the start of a
// sequence whose rest has not been read yet stays in `bytes`.
void DecodeWholeSequences(std::string& bytes, std::wstring& text)
{
    size_t complete = bytes.size();
    for (size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0xC0) {  // a lead byte: is its sequence whole?
            const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            if (back < length) {
                complete = bytes.size() - back;
            }
            break;
        }
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(complete), nullptr, 0);
    if (length > 0) {
        const size_t start = text.size();
        text.resize(start + static_cast<size_t>(length));
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(complete), text.data() + start, length);
    }
    bytes.erase(0, complete);
}

}  // namespace

CTextInStream::CTextInStream() : CNamedDispatch(kMembers), m_handle(GetStdHandle(STD_INPUT_HANDLE))
{
    DWORD mode = 0;
    m_console = m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE && GetConsoleMode(m_handle, &mode);
}

// A console gives UTF-16; a pipe or file is read as UTF-8, as the host writes its output.
bool CTextInStream::Fill()
{
    bool read = false;
    if (!m_ended && m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE) {
        DWORD count = 0;
        if (m_console) {
            wchar_t buffer[1024];
            read = ReadConsoleW(m_handle, buffer, ARRAYSIZE(buffer), &count, nullptr) && count > 0;
            m_pending.append(buffer, read ? count : 0);
        } else {
            char buffer[4096];
            read = ReadFile(m_handle, buffer, sizeof(buffer), &count, nullptr) && count > 0;
            m_undecoded.append(buffer, read ? count : 0);
            DecodeWholeSequences(m_undecoded, m_pending);
        }
    }
    m_ended = !read;
    return read;
}

HRESULT CTextInStream::InvokeMember(DISPID id, WORD, const CCallArguments&, VARIANT* result, EXCEPINFO* exception)
{
    switch (id) {
    case kReadLine: {
        size_t end;
        while ((end = m_pending.find(L'\n')) == std::wstring::npos) {
            if (!Fill()) {
                break;
            }
        }
        if (end == std::wstring::npos && m_pending.empty()) {
            return RaiseDispatchError(exception, kInputPastEnd, L"Input past end of file");
        }
        std::wstring line = m_pending.substr(0, end);
        m_pending.erase(0, end == std::wstring::npos ? end : end + 1);
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        return ReturnString(result, line);
    }
    case kAtEndOfStream: {
        const bool atEnd = m_pending.empty() && !Fill();
        if (result) {
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = atEnd ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}
