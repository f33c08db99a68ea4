// The store file: a 24-byte header, then tagged sections, all little-endian.
//   header: "FWSIMSTR", format version, header size, body size, CRC-32 of the body
//   sections: tag (four ASCII letters), payload size, payload
// The layout of every section is in docs/emulated-board.md.
#pragma once

#include "StoreImage.h"
#include "StoreRules.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fwstore {

constexpr uint32_t STORE_FORMAT_VERSION = 1;
constexpr uint32_t STORE_HEADER_BYTES = 24;

enum class SerializeStatus {
    Ok,
    BreaksRule,   // the image breaks a rule of StoreRules.h
    TooLarge,     // the file would be larger than STORE_MAX_FILE_BYTES
};

// The store file holding `image`. The writer refuses every file that ParseStore would
// refuse: the image is checked against the rules the reader applies (StoreImageProblem),
// then the file's size. On a refusal `error` tells why and `bytes` is left as it was.
SerializeStatus SerializeStore(const StoreImage& image, std::vector<uint8_t>& bytes, std::wstring& error);

// Reads a whole store file. On failure `image` is left as it was and `error` tells what is
// wrong and where; nothing of a damaged file is ever used.
bool ParseStore(std::span<const uint8_t> bytes, StoreImage& image, std::wstring& error);

// The size of the store file holding `image`, computed without writing it. The writer
// refuses a file too large from this size before it allocates anything, and then allocates
// the file once: a 32-bit process cannot count on finding the several blocks of a store's
// size that a buffer growing by doubling asks for while the image is held too.
uint64_t EncodedStoreBytes(const StoreImage& image);

namespace StoreFormatTesting {
// The same encoding without any check, so that tests can hand the reader files that break
// a rule. Nothing but tests may use it: stores are written through SerializeStore.
std::vector<uint8_t> EncodeUnchecked(const StoreImage& image);
} // namespace StoreFormatTesting

uint32_t Crc32(std::span<const uint8_t> bytes);

} // namespace fwstore
