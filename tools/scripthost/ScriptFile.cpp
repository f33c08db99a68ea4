#include "ScriptFile.h"

#include "ScriptText.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Larger than any test script by far; it only keeps a wrong path from eating memory.
constexpr LONGLONG kMaximumScriptSize = 64LL * 1024 * 1024;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using CFileHandle = std::unique_ptr<void, HandleCloser>;

std::wstring SystemError(const std::wstring& what)
{
    return what + L": " + DescribeResult(HRESULT_FROM_WIN32(GetLastError()));
}

}  // namespace

std::wstring DescribeResult(HRESULT result)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    wchar_t code[16];
    swprintf(code, std::size(code), L"0x%08lX", static_cast<unsigned long>(result));
    return text.empty() ? std::wstring(L"error ") + code : text + L" (" + code + L")";
}

bool ReadScriptFile(const std::wstring& path, std::wstring& text, std::wstring& error)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        error = SystemError(L"cannot open the script \"" + path + L"\"");
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        error = SystemError(L"cannot read the size of \"" + path + L"\"");
        return false;
    }
    if (size.QuadPart > kMaximumScriptSize) {
        error = L"the script \"" + path + L"\" is too large";
        return false;
    }
    std::vector<std::byte> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) {
            error = SystemError(L"cannot read the script \"" + path + L"\"");
            return false;
        }
        if (read == 0) {
            bytes.resize(done);  // the file shrank while we read it
            break;
        }
        done += read;
    }
    DecodedScript decoded = DecodeScriptText(bytes);
    if (!decoded.ok) {
        error = L"cannot read the script \"" + path + L"\": " + decoded.error;
        return false;
    }
    text = std::move(decoded.text);
    return true;
}
