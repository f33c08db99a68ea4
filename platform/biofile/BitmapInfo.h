// Splash pictures are Windows bitmaps (.BMP). InspectBitmap checks the file header, the
// info header, the colour table and that the pixel data lies inside the file, without
// trusting any length in the file.
#pragma once

#include <cstdint>
#include <span>

namespace biofile {

struct BitmapInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerPixel = 0;
};

enum class BitmapStatus {
    Ok,
    NotBitmap,          // no "BM" file header
    Truncated,          // a header or the pixel data ends past the file
    BadHeader,          // impossible header values
    UnsupportedFormat,  // compression or bit depth that firmware does not draw
};

constexpr uint32_t kMaxBitmapSide = 32768;

BitmapStatus InspectBitmap(std::span<const uint8_t> file, BitmapInfo& info);
const char* DescribeBitmapStatus(BitmapStatus status);

} // namespace biofile
