// The store file: a 24-byte header, then tagged sections, all little-endian.
//   header: "FWSIMSTR", format version, header size, body size, CRC-32 of the body
//   sections: tag (four ASCII letters), payload size, payload
// The layout of every section is in docs/emulated-board.md.
#pragma once

#include "StoreImage.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fwstore {

constexpr uint32_t STORE_FORMAT_VERSION = 1;
constexpr uint32_t STORE_HEADER_BYTES = 24;
// A store larger than this is refused as damaged rather than read into memory.
constexpr uint64_t STORE_MAX_FILE_BYTES = 256ull * 1024 * 1024;

std::vector<uint8_t> SerializeStore(const StoreImage& image);

// Reads a whole store file. On failure `image` is left as it was and `error` tells what is
// wrong and where; nothing of a damaged file is ever used.
bool ParseStore(std::span<const uint8_t> bytes, StoreImage& image, std::wstring& error);

uint32_t Crc32(std::span<const uint8_t> bytes);

} // namespace fwstore
