#include "IniText.h"

std::wstring_view NormalizeIniText(std::wstring_view text)
{
    return RemoveEnclosingQuotes(TrimTrailingBlanks(RemoveEnclosingQuotes(text)));
}

std::wstring FoldIniName(std::wstring_view name)
{
    std::wstring key(NormalizeIniText(name));
    for (wchar_t& c : key) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return key;
}

std::wstring UpperAscii(std::wstring_view text)
{
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return upper;
}
