// The text rules that every INI name and value follows when it is compared or returned.
#pragma once

#include <string>
#include <string_view>

// "text" becomes text: a text that begins and ends with a double quote (and so holds at
// least two) loses the first and the last one.
template <typename Char>
std::basic_string_view<Char> RemoveEnclosingQuotes(std::basic_string_view<Char> text)
{
    if (text.size() >= 2 && text.front() == Char('"') && text.back() == Char('"')) {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// Only blanks are cut: a line feed or a tab is part of the text.
template <typename Char>
std::basic_string_view<Char> TrimTrailingBlanks(std::basic_string_view<Char> text)
{
    size_t end = text.size();
    while (end > 0 && text[end - 1] == Char(' ')) {
        --end;
    }
    return text.substr(0, end);
}

// What a value, keyword or section name means: quotes off, trailing blanks off, quotes off
// again (so that "Big Box" followed by blanks means Big Box).
std::wstring_view NormalizeIniText(std::wstring_view text);

// The key under which names are compared without regard to letter case. Only A to Z are
// folded, so the comparison is the same whatever locale the process runs in.
std::wstring FoldIniName(std::wstring_view name);

// Upper case of A to Z only.
std::wstring UpperAscii(std::wstring_view text);
