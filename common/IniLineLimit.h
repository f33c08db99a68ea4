// The longest line of an INI file: what the reader takes as one line, in bytes of the ANSI
// code page without its line end. Whatever is written into a file must fit it to read back.
#pragma once

#include <cstddef>

inline constexpr std::size_t kIniMaxLineBytes = 149;
