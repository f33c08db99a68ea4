// The INI core's host in the native build. The server sends reports to its diagnostics log
// and converts through the system's ANSI code page; here reports go to the test observer
// only, and the code page is Latin-1, where every byte is the character of the same number.
#include "IniCodePage.h"
#include "ini/IniReport.h"

namespace {

IniReportObserver s_observer = nullptr;

constexpr unsigned long kLastLatin1 = 0xFF;

} // namespace

IniReportObserver SetIniReportObserver(IniReportObserver observer)
{
    IniReportObserver previous = s_observer;
    s_observer = observer;
    return previous;
}

void IniReportText(const IniLogSite&, int level, unsigned messageId, const std::wstring& text)
{
    if (s_observer != nullptr) {
        s_observer(level, messageId, text);
    }
}

std::wstring AnsiToWide(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
    }
    return text;
}

bool WideToAnsi(std::wstring_view text, std::string* bytes)
{
    bytes->clear();
    bool everyCharacter = true;
    for (wchar_t character : text) {
        bool fits = static_cast<unsigned long>(character) <= kLastLatin1;
        bytes->push_back(fits ? static_cast<char>(character) : '?');
        everyCharacter = everyCharacter && fits;
    }
    return everyCharacter;
}
