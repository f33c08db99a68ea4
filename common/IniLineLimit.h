// The longest line of an INI file: what the reader takes as one line, in bytes of the ANSI
// code page without its line end. Whatever is written into a file must fit it to read back.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kIniMaxLineBytes = 149;

// The longest value a line "keyword=value" holds, in bytes of the ANSI code page.
inline constexpr std::size_t IniValueByteLimit(std::wstring_view keyword)
{
    return kIniMaxLineBytes - keyword.size() - 1;
}
