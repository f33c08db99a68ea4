// INI files are 8-bit text in the ANSI code page; inside the server text is UTF-16.
// This is the only place that knows how the two are converted.
#pragma once

#include <string>
#include <string_view>

std::wstring AnsiToWide(std::string_view bytes);

// False when a character has no form in the ANSI code page (it is then written as the
// code page's default character).
bool WideToAnsi(std::wstring_view text, std::string* bytes);
