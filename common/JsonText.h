// A JSON string literal, quotes included, for the documents the server and the tools write:
// quotes, backslashes and control characters escaped, everything else as it is. Two forms
// with one rule: wide text (the server's strings) and UTF-8 bytes (the history file), whose
// multi-byte sequences pass through whole since none of their bytes is below 0x80.
// Plain C++ without Windows headers, for the native build's cores as well.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace json_text {

template <typename Char>
void AppendAscii(std::basic_string<Char>& out, const char* ascii)
{
    for (; *ascii != '\0'; ++ascii) {
        out += static_cast<Char>(*ascii);
    }
}

template <typename Char>
std::basic_string<Char> Quote(std::basic_string_view<Char> text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::basic_string<Char> quoted;
    quoted.reserve(text.size() + 2);
    quoted += static_cast<Char>('"');
    for (const Char c : text) {
        const auto unit = static_cast<std::make_unsigned_t<Char>>(c);
        switch (unit) {
        case '"':
            AppendAscii(quoted, "\\\"");
            break;
        case '\\':
            AppendAscii(quoted, "\\\\");
            break;
        case '\n':
            AppendAscii(quoted, "\\n");
            break;
        case '\r':
            AppendAscii(quoted, "\\r");
            break;
        case '\t':
            AppendAscii(quoted, "\\t");
            break;
        default:
            if (unit < 0x20) {
                const char escaped[] = {'\\', 'u', '0', '0', kHex[unit >> 4], kHex[unit & 0xF], '\0'};
                AppendAscii(quoted, escaped);
            } else {
                quoted += c;
            }
        }
    }
    quoted += static_cast<Char>('"');
    return quoted;
}

} // namespace json_text

inline std::wstring JsonString(std::wstring_view text)
{
    return json_text::Quote(text);
}

// `utf8` should be valid UTF-8: the bytes are copied as they are.
inline std::string JsonString(std::string_view utf8)
{
    return json_text::Quote(utf8);
}
