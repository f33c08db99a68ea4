#include "BitmapInfo.h"

#include "ByteReader.h"

namespace biofile {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoFieldsSize = 36; // BITMAPINFOHEADER up to biClrUsed
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

struct FileHeader {
    uint32_t fileSize = 0;
    uint32_t pixelOffset = 0;
};

struct InfoHeader {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t height = 0; // negative: rows from the top
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = kRgb;
    uint32_t imageSize = 0;
    uint32_t colorsUsed = 0;
};

BitmapStatus ReadFileHeader(ByteReader& reader, FileHeader& header)
{
    std::span<const uint8_t> magic;
    if (!reader.ReadBytes(2, magic)) {
        return BitmapStatus::NotBitmap;
    }
    if (magic[0] != 'B' || magic[1] != 'M') {
        return BitmapStatus::NotBitmap;
    }
    if (!reader.ReadU32(header.fileSize) || !reader.Skip(4) || !reader.ReadU32(header.pixelOffset)) {
        return BitmapStatus::Truncated;
    }
    return BitmapStatus::Ok;
}

BitmapStatus ReadCoreHeader(ByteReader& reader, InfoHeader& header)
{
    uint16_t width = 0;
    uint16_t height = 0;
    if (!reader.ReadU16(width) || !reader.ReadU16(height) || !reader.ReadU16(header.planes) ||
        !reader.ReadU16(header.bitsPerPixel)) {
        return BitmapStatus::Truncated;
    }
    header.width = width;
    header.height = height;
    return BitmapStatus::Ok;
}

bool IsKnownInfoSize(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

BitmapStatus ReadInfoHeader(ByteReader& reader, InfoHeader& header)
{
    if (!reader.ReadU32(header.size)) {
        return BitmapStatus::Truncated;
    }
    if (header.size == kCoreHeaderSize) {
        return ReadCoreHeader(reader, header);
    }
    if (!IsKnownInfoSize(header.size)) {
        return BitmapStatus::BadHeader;
    }
    int32_t width = 0;
    int32_t height = 0;
    if (!reader.ReadI32(width) || !reader.ReadI32(height) || !reader.ReadU16(header.planes) ||
        !reader.ReadU16(header.bitsPerPixel) || !reader.ReadU32(header.compression) ||
        !reader.ReadU32(header.imageSize) || !reader.Skip(8) || !reader.ReadU32(header.colorsUsed) ||
        !reader.Skip(header.size - kInfoFieldsSize)) {
        return BitmapStatus::Truncated;
    }
    header.width = width;
    header.height = height;
    return BitmapStatus::Ok;
}

bool IsSupportedDepth(const InfoHeader& header)
{
    switch (header.bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 24:
        return true;
    case 16:
    case 32:
        return header.size != kCoreHeaderSize;
    default:
        return false;
    }
}

BitmapStatus CheckShape(const InfoHeader& header)
{
    if (header.planes != 1 || header.width <= 0 || header.height == 0) {
        return BitmapStatus::BadHeader;
    }
    const int64_t rows = header.height < 0 ? -header.height : header.height;
    if (header.width > kMaxBitmapSide || rows > kMaxBitmapSide) {
        return BitmapStatus::BadHeader;
    }
    if (!IsSupportedDepth(header)) {
        return BitmapStatus::UnsupportedFormat;
    }
    switch (header.compression) {
    case kRgb:
        return BitmapStatus::Ok;
    case kRle8:
        return header.bitsPerPixel == 8 && header.height > 0 ? BitmapStatus::Ok : BitmapStatus::BadHeader;
    case kRle4:
        return header.bitsPerPixel == 4 && header.height > 0 ? BitmapStatus::Ok : BitmapStatus::BadHeader;
    case kBitFields:
        return header.bitsPerPixel == 16 || header.bitsPerPixel == 32 ? BitmapStatus::Ok : BitmapStatus::BadHeader;
    default:
        return BitmapStatus::UnsupportedFormat; // embedded JPEG or PNG, and the rest
    }
}

// Where the colour table and bit masks end; the pixels may not start before that.
BitmapStatus TablesEnd(const InfoHeader& header, uint64_t& end)
{
    uint64_t colors = header.colorsUsed;
    if (header.bitsPerPixel <= 8) {
        const uint64_t most = uint64_t{1} << header.bitsPerPixel;
        if (colors > most) {
            return BitmapStatus::BadHeader;
        }
        colors = colors == 0 ? most : colors;
    }
    const uint64_t entrySize = header.size == kCoreHeaderSize ? 3 : 4;
    const uint64_t masks = header.compression == kBitFields && header.size == 40 ? 12 : 0;
    end = uint64_t{kFileHeaderSize} + header.size + masks + colors * entrySize;
    return BitmapStatus::Ok;
}

BitmapStatus CheckPixels(const InfoHeader& header, uint64_t available)
{
    if (header.compression == kRle8 || header.compression == kRle4) {
        // At least the end-of-bitmap code; the encoded size when the header gives it.
        return available < 2 || header.imageSize > available ? BitmapStatus::Truncated : BitmapStatus::Ok;
    }
    const uint64_t rows = static_cast<uint64_t>(header.height < 0 ? -header.height : header.height);
    const uint64_t stride = (static_cast<uint64_t>(header.width) * header.bitsPerPixel + 31) / 32 * 4;
    return stride * rows > available ? BitmapStatus::Truncated : BitmapStatus::Ok;
}

} // namespace

BitmapStatus InspectBitmap(std::span<const uint8_t> file, BitmapInfo& info)
{
    ByteReader reader(file);
    FileHeader fileHeader;
    InfoHeader header;
    BitmapStatus status = ReadFileHeader(reader, fileHeader);
    if (status == BitmapStatus::Ok) {
        status = ReadInfoHeader(reader, header);
    }
    if (status == BitmapStatus::Ok) {
        status = CheckShape(header);
    }
    uint64_t tablesEnd = 0;
    if (status == BitmapStatus::Ok) {
        status = TablesEnd(header, tablesEnd);
    }
    if (status != BitmapStatus::Ok) {
        return status;
    }
    if (fileHeader.fileSize > file.size() || fileHeader.pixelOffset > file.size()) {
        return BitmapStatus::Truncated;
    }
    if (fileHeader.pixelOffset < tablesEnd) {
        return BitmapStatus::BadHeader;
    }
    status = CheckPixels(header, file.size() - fileHeader.pixelOffset);
    if (status == BitmapStatus::Ok) {
        info.width = static_cast<uint32_t>(header.width);
        info.height = static_cast<uint32_t>(header.height < 0 ? -header.height : header.height);
        info.bitsPerPixel = header.bitsPerPixel;
    }
    return status;
}

const char* DescribeBitmapStatus(BitmapStatus status)
{
    switch (status) {
    case BitmapStatus::Ok:
        return "The picture is a valid bitmap.";
    case BitmapStatus::NotBitmap:
        return "The picture is not a Windows bitmap (BMP) file.";
    case BitmapStatus::Truncated:
        return "The bitmap file is truncated: a header or its pixel data lies past the end of the file.";
    case BitmapStatus::BadHeader:
        return "The bitmap file has an invalid header.";
    case BitmapStatus::UnsupportedFormat:
        return "The bitmap uses a bit depth or compression that firmware cannot show.";
    }
    return "Unknown bitmap status.";
}

} // namespace biofile
