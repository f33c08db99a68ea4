// Builders of .BIO images and bitmaps for tests, with the byte offsets of the fields that
// tests tamper with.
#pragma once

#include "CapsuleImage.h"
#include "CapsuleWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace biotest {

constexpr size_t kHeaderSizeField = 16;
constexpr size_t kImageSizeField = 24;
constexpr size_t kBodyHeader = 28;
constexpr size_t kModuleCountField = 34;
constexpr size_t kFlashAreaField = 36;
constexpr size_t kFirmwareIdOffset = 40;
constexpr size_t kReservedField = 72;
constexpr size_t kModuleTable = 76;
constexpr size_t kEntryFlags = 4;
constexpr size_t kEntryOffset = 8;
constexpr size_t kEntrySize = 12;

constexpr char kFirmwareId[] = "ABCDEFGH.86A.0052.2012.1107.1530";

inline void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

inline uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

// A BITMAPINFOHEADER bitmap; a grey palette for 8 bits and less. Negative height: top-down.
inline std::vector<uint8_t> MakeBitmap(int32_t width, int32_t height, uint16_t bitsPerPixel = 24)
{
    const uint32_t colors = bitsPerPixel <= 8 ? 1u << bitsPerPixel : 0;
    const uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    const uint32_t stride = (static_cast<uint32_t>(width) * bitsPerPixel + 31) / 32 * 4;
    const uint32_t pixelOffset = 14 + 40 + colors * 4;
    std::vector<uint8_t> bytes(pixelOffset + stride * rows, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    PutU32(bytes, 10, pixelOffset);
    PutU32(bytes, 14, 40);
    PutU32(bytes, 18, static_cast<uint32_t>(width));
    PutU32(bytes, 22, static_cast<uint32_t>(height));
    PutU16(bytes, 26, 1);
    PutU16(bytes, 28, bitsPerPixel);
    for (uint32_t i = 0; i < colors; ++i) {
        const uint8_t grey = static_cast<uint8_t>(i * 255 / (colors - 1 ? colors - 1 : 1));
        bytes[54 + i * 4] = bytes[55 + i * 4] = bytes[56 + i * 4] = grey;
    }
    for (size_t i = pixelOffset; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7);
    }
    return bytes;
}

inline biofile::CapsuleImage MakeImage(size_t bodySize = 256, bool logo = true, bool logoModule2 = true)
{
    biofile::CapsuleImage image;
    image.firmwareId = kFirmwareId;
    image.flashAreaSize = 64 * 1024;
    std::vector<uint8_t> body(bodySize);
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<uint8_t>(i * 13 + 5);
    }
    image.modules.push_back(biofile::MakeFirmwareModule(std::move(body)));
    if (logo) {
        biofile::LogoContent content;
        content.maxWidth = 800;
        content.maxHeight = 600;
        image.modules.push_back(biofile::MakeLogoModule(content, logoModule2));
    }
    return image;
}

inline std::vector<uint8_t> Serialize(const biofile::CapsuleImage& image)
{
    std::vector<uint8_t> bytes;
    biofile::SerializeCapsule(image, bytes);
    return bytes;
}

} // namespace biotest
