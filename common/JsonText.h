// A JSON string literal, quotes included, for the documents the server and the tools write:
// quotes, backslashes and control characters escaped, everything else as it is.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

inline std::wstring JsonString(std::wstring_view text)
{
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) {
        switch (c) {
        case L'"':
            quoted += L"\\\"";
            break;
        case L'\\':
            quoted += L"\\\\";
            break;
        case L'\n':
            quoted += L"\\n";
            break;
        case L'\r':
            quoted += L"\\r";
            break;
        case L'\t':
            quoted += L"\\t";
            break;
        default:
            if (c < 0x20) {
                wchar_t escaped[8];
                std::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + L"\"";
}
