#include "IniCodePage.h"

#include <windows.h>

#include <climits>
#include <new>

namespace {

int CheckedLength(size_t length)
{
    if (length > static_cast<size_t>(INT_MAX)) {
        throw std::bad_alloc();
    }
    return static_cast<int>(length);
}

} // namespace

std::wstring AnsiToWide(std::string_view bytes)
{
    std::wstring text;
    if (bytes.empty()) {
        return text;
    }
    int length = CheckedLength(bytes.size());
    int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return text;
    }
    text.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), needed);
    return text;
}

bool WideToAnsi(std::wstring_view text, std::string* bytes)
{
    bytes->clear();
    if (text.empty()) {
        return true;
    }
    int length = CheckedLength(text.size());
    // The code pages without a default character (UTF-8) refuse the flag and the out-parameter.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultOut);
    if (needed <= 0) {
        return false;
    }
    bytes->resize(static_cast<size_t>(needed));
    WideCharToMultiByte(CP_ACP, flags, text.data(), length, bytes->data(), needed, nullptr, usedDefaultOut);
    return usedDefault == FALSE;
}
