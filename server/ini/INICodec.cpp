#include "INICodec.h"

#include "IniReport.h"
#include "MessageIds.h"

#include <new>

namespace {

bool IsCodeLetter(wchar_t c)
{
    return c >= L'A' && c <= L'P';
}

uint8_t LetterValue(wchar_t c)
{
    return static_cast<uint8_t>(c - L'A');
}

} // namespace

HRESULT CINICodec::ValidateBuffer(const wchar_t* text, size_t length)
{
    if (text == nullptr) {
        IniReport(INI_SITE(L"CINICodec::ValidateBuffer"), INI_LOG_ERROR, MSG_INTERNAL_ERROR,
                  L"Invalid pointer specified");
        return E_POINTER;
    }
    if (length == 0) {
        IniReport(INI_SITE(L"CINICodec::ValidateBuffer"), INI_LOG_ERROR, kIniNoMessage, L"Buffersize = 0, Invalid size");
        return S_FALSE;
    }
    if (length % 2 != 0) {
        IniReport(INI_SITE(L"CINICodec::ValidateBuffer"), INI_LOG_ERROR, kIniNoMessage,
                  L"Invalid buffer size: %zu letters, an odd number", length);
        return S_FALSE;
    }
    for (size_t i = 0; i < length; ++i) {
        if (!IsCodeLetter(text[i])) {
            IniReport(INI_SITE(L"CINICodec::ValidateBuffer"), INI_LOG_ERROR, kIniNoMessage,
                      L"Invalid buffer size: character %zu is not a letter from A to P", i);
            return S_FALSE;
        }
    }
    return S_OK;
}

HRESULT CINICodec::DecodeVariableBuffer(const wchar_t* text, std::vector<uint8_t>* bytes, size_t length,
                                        uint16_t* byteCount)
{
    if (text == nullptr || bytes == nullptr || byteCount == nullptr) {
        IniReport(INI_SITE(L"CINICodec::DecodeVariableBuffer"), INI_LOG_ERROR, MSG_INTERNAL_ERROR,
                  L"Invalid pointer specified");
        return E_POINTER;
    }
    if (length / 2 > kMaxDecodedBytes) {
        IniReport(INI_SITE(L"CINICodec::DecodeVariableBuffer"), INI_LOG_ERROR, MSG_INI_LOAD_ERROR,
                  L"Invalid Buffer.  The value decodes to %zu bytes; a value holds at most %zu", length / 2,
                  kMaxDecodedBytes);
        return E_INVALIDARG;
    }
    if (ValidateBuffer(text, length) != S_OK) {
        IniReport(INI_SITE(L"CINICodec::DecodeVariableBuffer"), INI_LOG_ERROR, MSG_INI_LOAD_ERROR, L"Invalid Buffer.");
        return E_FAIL;
    }
    try {
        std::vector<uint8_t> decoded(length / 2);
        for (size_t i = 0; i < decoded.size(); ++i) {
            decoded[i] = static_cast<uint8_t>((LetterValue(text[2 * i]) << 4) | LetterValue(text[2 * i + 1]));
        }
        *bytes = std::move(decoded);
    } catch (const std::bad_alloc&) {
        IniReport(INI_SITE(L"CINICodec::DecodeVariableBuffer"), INI_LOG_ERROR, kIniNoMessage, L"Out of memory");
        return E_OUTOFMEMORY;
    }
    *byteCount = static_cast<uint16_t>(length / 2);
    return S_OK;
}

HRESULT CINICodec::EncodeVariableBuffer(const uint8_t* bytes, size_t count, std::wstring* text)
{
    if ((bytes == nullptr && count != 0) || text == nullptr) {
        IniReport(INI_SITE(L"CINICodec::EncodeVariableBuffer"), INI_LOG_ERROR, MSG_INTERNAL_ERROR,
                  L"Invalid pointer specified");
        return E_POINTER;
    }
    if (count > kMaxDecodedBytes) {
        IniReport(INI_SITE(L"CINICodec::EncodeVariableBuffer"), INI_LOG_ERROR, MSG_INTERNAL_ERROR,
                  L"A value of %zu bytes cannot be written; a value holds at most %zu", count, kMaxDecodedBytes);
        return E_INVALIDARG;
    }
    try {
        std::wstring letters(2 * count, L'A');
        for (size_t i = 0; i < count; ++i) {
            letters[2 * i] = static_cast<wchar_t>(L'A' + (bytes[i] >> 4));
            letters[2 * i + 1] = static_cast<wchar_t>(L'A' + (bytes[i] & 0x0F));
        }
        *text = std::move(letters);
    } catch (const std::bad_alloc&) {
        IniReport(INI_SITE(L"CINICodec::EncodeVariableBuffer"), INI_LOG_ERROR, kIniNoMessage, L"Out of memory");
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
