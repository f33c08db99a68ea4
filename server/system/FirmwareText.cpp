#include "FirmwareText.h"

#include "IniCodePage.h"

#include <algorithm>
#include <string_view>

namespace {

std::string_view BeforeTerminator(const std::vector<BYTE>& bytes)
{
    const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return all.substr(0, all.find('\0'));
}

} // namespace

std::wstring FirmwareText(const std::vector<BYTE>& bytes)
{
    return AnsiToWide(BeforeTerminator(bytes));
}

std::wstring SMBIOSStringText(const std::vector<BYTE>& bytes)
{
    const std::string_view text = BeforeTerminator(bytes);
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return static_cast<BYTE>(c) == 0xFF; })) {
        return L"";
    }
    return AnsiToWide(text);
}
