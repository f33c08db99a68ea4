#include "BioTestImages.h"
#include "BitmapInfo.h"
#include "CapsuleImage.h"

#include <gtest/gtest.h>

using namespace biofile;
using namespace biotest;

TEST(BitmapInfo, ReadsTheSizeOfValidBitmaps)
{
    BitmapInfo info;
    ASSERT_EQ(InspectBitmap(MakeBitmap(640, 480), info), BitmapStatus::Ok);
    EXPECT_EQ(info.width, 640u);
    EXPECT_EQ(info.height, 480u);
    EXPECT_EQ(info.bitsPerPixel, 24);
    ASSERT_EQ(InspectBitmap(MakeBitmap(33, -17, 8), info), BitmapStatus::Ok); // top-down, palette
    EXPECT_EQ(info.height, 17u);
    EXPECT_EQ(InspectBitmap(MakeBitmap(3, 3, 1), info), BitmapStatus::Ok);
    EXPECT_EQ(InspectBitmap(MakeBitmap(5, 2, 32), info), BitmapStatus::Ok);
}

TEST(BitmapInfo, RefusesWhatIsNotABitmap)
{
    BitmapInfo info;
    EXPECT_EQ(InspectBitmap({}, info), BitmapStatus::NotBitmap);
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_EQ(InspectBitmap(png, info), BitmapStatus::NotBitmap);
    const std::vector<uint8_t> text = {'B', 'M'};
    EXPECT_EQ(InspectBitmap(text, info), BitmapStatus::Truncated);
}

TEST(BitmapInfo, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> good = MakeBitmap(7, 5, 8);
    BitmapInfo info;
    for (size_t length = 0; length < good.size(); ++length) {
        const std::vector<uint8_t> prefix(good.begin(), good.begin() + length);
        EXPECT_NE(InspectBitmap(prefix, info), BitmapStatus::Ok) << "length " << length;
    }
}

TEST(BitmapInfo, ImpossibleHeadersAreRefused)
{
    const std::vector<uint8_t> good = MakeBitmap(8, 8);
    BitmapInfo info;
    std::vector<uint8_t> bytes = good;
    PutU32(bytes, 18, 0); // width 0
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
    bytes = good;
    PutU16(bytes, 26, 2); // planes
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
    bytes = good;
    PutU32(bytes, 14, 41); // unknown info header size
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
    bytes = good;
    PutU32(bytes, 10, 20); // pixels inside the headers
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
    bytes = good;
    PutU32(bytes, 10, 0xFFFFFFF0u); // pixels past the end
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::Truncated);
    bytes = good;
    PutU32(bytes, 2, static_cast<uint32_t>(good.size() + 1)); // file size beyond the data
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::Truncated);
    bytes = good;
    PutU32(bytes, 22, 0x80000000u); // height INT32_MIN
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
}

TEST(BitmapInfo, HugeDimensionsDoNotOverflowThePixelCheck)
{
    std::vector<uint8_t> bytes = MakeBitmap(8, 8, 32);
    PutU32(bytes, 18, kMaxBitmapSide);
    PutU32(bytes, 22, kMaxBitmapSide); // 4 GB of pixels claimed, a few bytes present
    BitmapInfo info;
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::Truncated);
    PutU32(bytes, 18, kMaxBitmapSide + 1);
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
}

TEST(BitmapInfo, FormatsFirmwareCannotDrawAreUnsupported)
{
    const std::vector<uint8_t> good = MakeBitmap(8, 8);
    BitmapInfo info;
    std::vector<uint8_t> bytes = good;
    PutU32(bytes, 30, 5); // embedded PNG
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::UnsupportedFormat);
    bytes = good;
    PutU16(bytes, 28, 0);
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::UnsupportedFormat);
    bytes = MakeBitmap(8, -8, 8);
    PutU32(bytes, 30, 1); // RLE8 cannot be top-down
    EXPECT_EQ(InspectBitmap(bytes, info), BitmapStatus::BadHeader);
}

TEST(BitmapInfo, PictureMustFitTheMaximumResolution)
{
    LogoContent logo;
    logo.maxWidth = 100;
    logo.maxHeight = 50;
    BitmapInfo info;
    EXPECT_EQ(CheckPicture(logo, MakeBitmap(100, 50), info), BioStatus::Ok);
    EXPECT_EQ(CheckPicture(logo, MakeBitmap(101, 50), info), BioStatus::PictureTooLarge);
    EXPECT_EQ(CheckPicture(logo, MakeBitmap(100, -51), info), BioStatus::PictureTooLarge);
    EXPECT_EQ(CheckPicture(logo, std::vector<uint8_t>(100, 'x'), info), BioStatus::BadPicture);
}
