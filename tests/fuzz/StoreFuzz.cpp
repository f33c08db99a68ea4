// The store file over any bytes, every section (the optional restart rules too). A file that
// the reader accepts is written back: the writer must accept its image (it refuses only what
// the reader would), and the written file must read back to the same image. Each input is
// read twice: as it is, and with its header's body size and CRC made to match the bytes, so
// that mutations reach the sections behind the checksum.
#include "FuzzTargets.h"

#include "StoreFormat.h"

#include <vector>

namespace store_fuzz {

namespace {

constexpr size_t kBodySizeField = 16;
constexpr size_t kCrcField = 20;

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void ReadAndWriteBack(std::span<const uint8_t> bytes)
{
    fwstore::StoreImage image;
    std::wstring error;
    if (!fwstore::ParseStore(bytes, image, error)) {
        FuzzCheck(!error.empty(), "a refused store file has no message");
        return;
    }
    std::vector<uint8_t> written;
    FuzzCheck(fwstore::SerializeStore(image, written, error) == fwstore::SerializeStatus::Ok,
        "the image of an accepted store file is refused by the writer");
    fwstore::StoreImage again;
    FuzzCheck(fwstore::ParseStore(written, again, error), "a written store file does not parse");
    // The unchecked encoding holds every field, so equal encodings are equal images.
    FuzzCheck(fwstore::StoreFormatTesting::EncodeUnchecked(again) == fwstore::StoreFormatTesting::EncodeUnchecked(image),
        "a written store file does not read back equal");
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    ReadAndWriteBack(std::span<const uint8_t>(data, size));
    if (size < fwstore::STORE_HEADER_BYTES) {
        return;
    }
    std::vector<uint8_t> matched(data, data + size);
    const std::span<const uint8_t> body = std::span<const uint8_t>(matched).subspan(fwstore::STORE_HEADER_BYTES);
    PutU32(matched, kBodySizeField, static_cast<uint32_t>(body.size()));
    PutU32(matched, kCrcField, fwstore::Crc32(body));
    ReadAndWriteBack(matched);
}

} // namespace store_fuzz
