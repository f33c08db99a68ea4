#include "ScriptText.h"

#include <windows.h>

#include <climits>

namespace {

constexpr std::byte kUtf8Bom[] = {std::byte{0xEF}, std::byte{0xBB}, std::byte{0xBF}};
constexpr std::byte kUtf16LeBom[] = {std::byte{0xFF}, std::byte{0xFE}};
constexpr std::byte kUtf16BeBom[] = {std::byte{0xFE}, std::byte{0xFF}};

bool StartsWith(std::span<const std::byte> bytes, std::span<const std::byte> prefix)
{
    if (bytes.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (bytes[i] != prefix[i]) {
            return false;
        }
    }
    return true;
}

DecodedScript Failure(std::wstring error)
{
    DecodedScript result;
    result.error = std::move(error);
    return result;
}

DecodedScript Success(std::wstring text)
{
    // The engines take a NUL-terminated string: an embedded NUL would silently cut the script.
    if (text.find(L'\0') != std::wstring::npos) {
        return Failure(L"the script contains a NUL character (UTF-16 files need a byte order mark)");
    }
    DecodedScript result;
    result.ok = true;
    result.text = std::move(text);
    return result;
}

DecodedScript DecodeUtf16Le(std::span<const std::byte> bytes)
{
    if (bytes.size() % 2 != 0) {
        return Failure(L"the UTF-16 script has an odd number of bytes");
    }
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto low = static_cast<unsigned>(bytes[2 * i]);
        const auto high = static_cast<unsigned>(bytes[2 * i + 1]);
        text[i] = static_cast<wchar_t>(low | (high << 8));
    }
    return Success(std::move(text));
}

// Returns false when the bytes are not valid in that code page (checked only for UTF-8).
bool DecodeMultiByte(UINT codePage, DWORD flags, std::span<const std::byte> bytes, std::wstring& text)
{
    if (bytes.empty()) {
        text.clear();
        return true;
    }
    const auto* source = reinterpret_cast<const char*>(bytes.data());
    const int sourceLength = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, source, sourceLength, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    text.assign(static_cast<std::size_t>(length), L'\0');
    return MultiByteToWideChar(codePage, flags, source, sourceLength, text.data(), length) == length;
}

}  // namespace

DecodedScript DecodeScriptText(std::span<const std::byte> bytes)
{
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return Failure(L"the script is too large");
    }
    if (StartsWith(bytes, kUtf16LeBom)) {
        return DecodeUtf16Le(bytes.subspan(std::size(kUtf16LeBom)));
    }
    if (StartsWith(bytes, kUtf16BeBom)) {
        return Failure(L"UTF-16 big-endian scripts are not supported");
    }
    std::wstring text;
    if (StartsWith(bytes, kUtf8Bom)) {
        if (!DecodeMultiByte(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.subspan(std::size(kUtf8Bom)), text)) {
            return Failure(L"the script starts with a UTF-8 byte order mark but is not valid UTF-8");
        }
        return Success(std::move(text));
    }
    if (DecodeMultiByte(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, text)) {
        return Success(std::move(text));
    }
    if (!DecodeMultiByte(CP_ACP, 0, bytes, text)) {
        return Failure(L"the script text cannot be decoded");
    }
    return Success(std::move(text));
}
