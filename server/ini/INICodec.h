// Binary values in INI files: each byte as two capital letters from A (0) to P (15), the
// high four bits first, so 0x00 0x1F 0xA5 is AABPKF.
#pragma once

#include "IniResult.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CINICodec {
public:
    // The byte count that travels with a decoded value is 16 bits wide.
    static constexpr size_t kMaxDecodedBytes = 0xFFFF;

    // 0 for a valid buffer, 1 (S_FALSE) for an empty, odd-length or non-letter one,
    // E_POINTER for a null text.
    static HRESULT ValidateBuffer(const wchar_t* text, size_t length);
    // Decodes `length` letters into length/2 bytes. A value whose byte count would not fit
    // 16 bits is refused, never cut.
    static HRESULT DecodeVariableBuffer(const wchar_t* text, std::vector<uint8_t>* bytes, size_t length,
                                        uint16_t* byteCount);
    // The letters for `count` bytes; refused like the decoder when the count exceeds 16 bits.
    static HRESULT EncodeVariableBuffer(const uint8_t* bytes, size_t count, std::wstring* text);
};
