#include "ConsoleOutput.h"

#include <string>

namespace {

void WriteBytes(HANDLE handle, const char* data, std::size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) {
            return;  // a closed pipe is not worth failing the script for
        }
        data += written;
        size -= written;
    }
}

void WriteUtf8(HANDLE handle, std::wstring_view text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return;
    }
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
    WriteBytes(handle, bytes.data(), bytes.size());
}

}  // namespace

void WriteConsoleText(DWORD standardHandle, std::wstring_view text)
{
    HANDLE handle = GetStdHandle(standardHandle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) {
        return;
    }
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        DWORD written = 0;
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    WriteUtf8(handle, text);
}

void WriteConsoleLine(DWORD standardHandle, std::wstring_view text)
{
    std::wstring line(text);
    line += L"\r\n";
    WriteConsoleText(standardHandle, line);
}
