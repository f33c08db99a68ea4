// Reading and writing whole images and pictures through IStream, bounded and chunked.
#pragma once

#include <objidl.h>

#include <cstdint>
#include <span>
#include <vector>

namespace StreamIo {

// Bytes from the current position to the end of the stream.
HRESULT RemainingSize(IStream* stream, uint64_t& size);
// Up to `most` bytes from the current position; the position is restored afterwards.
HRESULT PeekFront(IStream* stream, size_t most, std::vector<uint8_t>& bytes);
// Everything from the current position to the end, refused before any allocation with
// HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) when it holds more than `limit` bytes.
HRESULT ReadToEnd(IStream* stream, uint64_t limit, std::vector<uint8_t>& bytes);
HRESULT WriteAll(IStream* stream, std::span<const uint8_t> bytes);
HRESULT Position(IStream* stream, uint64_t& position);
// Cuts the stream at `end` when it is longer.
HRESULT TruncateAt(IStream* stream, uint64_t end);

} // namespace StreamIo
