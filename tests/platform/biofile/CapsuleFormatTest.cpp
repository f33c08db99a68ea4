#include "BioTestImages.h"
#include "CapsuleParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace biofile;
using namespace biotest;

namespace {

BioStatus Parse(const std::vector<uint8_t>& bytes, CapsuleImage& image)
{
    return ParseCapsule(std::make_shared<const std::vector<uint8_t>>(bytes), image);
}

BioStatus Parse(const std::vector<uint8_t>& bytes)
{
    CapsuleImage image;
    return Parse(bytes, image);
}

CapsuleImage ImageWithSplash()
{
    CapsuleImage image = MakeImage();
    LogoContent& logo = *image.modules[1].logo;
    logo.picture = MakeBitmap(64, 48);
    logo.badge = {12, 34, true, kBadgeWhite};
    return image;
}

} // namespace

TEST(CapsuleFormat, WritesTheDocumentedHeader)
{
    const std::vector<uint8_t> bytes = Serialize(MakeImage());
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(std::equal(kCapsuleGuid.begin(), kCapsuleGuid.end(), bytes.begin()));
    EXPECT_EQ(GetU32(bytes, kHeaderSizeField), 28u);
    EXPECT_EQ(GetU32(bytes, 20), kDefaultCapsuleFlags);
    EXPECT_EQ(GetU32(bytes, kImageSizeField), bytes.size());
    EXPECT_EQ(std::string(bytes.begin() + kBodyHeader, bytes.begin() + kBodyHeader + 4), "WVCP");
    EXPECT_EQ(std::string(bytes.begin() + kFirmwareIdOffset, bytes.begin() + kFirmwareIdOffset + 32), kFirmwareId);
    // Payloads follow the table in module order: the firmware body first.
    EXPECT_EQ(GetU32(bytes, kModuleTable + kEntryOffset), kModuleTable + 2 * 16);
    EXPECT_EQ(GetU32(bytes, kModuleTable + kEntrySize), 256u);
}

TEST(CapsuleFormat, RoundTripKeepsEveryField)
{
    const CapsuleImage original = ImageWithSplash();
    const std::vector<uint8_t> bytes = Serialize(original);
    CapsuleImage parsed;
    ASSERT_EQ(Parse(bytes, parsed), BioStatus::Ok);
    EXPECT_EQ(parsed.firmwareId, original.firmwareId);
    EXPECT_EQ(parsed.flashAreaSize, original.flashAreaSize);
    ASSERT_EQ(parsed.modules.size(), 2u);
    const auto body = parsed.modules[0].payload.Bytes();
    const auto expectedBody = original.modules[0].payload.Bytes();
    EXPECT_TRUE(std::equal(body.begin(), body.end(), expectedBody.begin(), expectedBody.end()));
    ASSERT_TRUE(parsed.modules[1].logo);
    const LogoContent& logo = *parsed.modules[1].logo;
    EXPECT_EQ(logo.picture, original.modules[1].logo->picture);
    EXPECT_EQ(logo.badge.x, 12);
    EXPECT_EQ(logo.badge.y, 34);
    EXPECT_TRUE(logo.badge.shown);
    EXPECT_EQ(logo.badge.color, kBadgeWhite);
    EXPECT_EQ(logo.maxWidth, 800u);
    EXPECT_TRUE(parsed.modules[1].OffersLogoModule2());
    EXPECT_EQ(Serialize(parsed), bytes);
}

TEST(CapsuleFormat, ShortIdAndImageWithoutLogoRoundTrip)
{
    CapsuleImage image = MakeImage(16, false);
    image.firmwareId = "SHORT.ID";
    CapsuleImage parsed;
    ASSERT_EQ(Parse(Serialize(image), parsed), BioStatus::Ok);
    EXPECT_EQ(parsed.firmwareId, "SHORT.ID");
    EXPECT_FALSE(FindSplashModule(parsed));
}

TEST(CapsuleFormat, LayoutIsRecognisedFromTheFrontAlone)
{
    const std::vector<uint8_t> bytes = Serialize(MakeImage(100000));
    const std::span<const uint8_t> front(bytes.data(), kMaxLayoutBytes);
    CapsuleLayout layout;
    ASSERT_EQ(ParseLayout(front, bytes.size(), layout), BioStatus::Ok);
    EXPECT_EQ(layout.firmwareId, kFirmwareId);
    ASSERT_EQ(layout.entries.size(), 2u);
    EXPECT_EQ(layout.entries[0].size, 100000u);
    // The whole image must be there: one byte less or more is not this capsule.
    EXPECT_EQ(ParseLayout(front, bytes.size() - 1, layout), BioStatus::Truncated);
    EXPECT_EQ(ParseLayout(front, bytes.size() + 1, layout), BioStatus::SizeMismatch);
}

TEST(CapsuleFormat, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> bytes = Serialize(ImageWithSplash());
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        EXPECT_NE(Parse(prefix), BioStatus::Ok) << "length " << length;
    }
}

TEST(CapsuleFormat, ForeignOrEmptyDataIsNotACapsule)
{
    EXPECT_EQ(Parse({}), BioStatus::NotEngineCapsule);
    std::vector<uint8_t> bytes = Serialize(MakeImage());
    bytes[3] ^= 0x01;
    EXPECT_EQ(Parse(bytes), BioStatus::NotEngineCapsule);
    EXPECT_EQ(Parse(MakeBitmap(4, 4)), BioStatus::NotEngineCapsule);
}

TEST(CapsuleFormat, LengthsBeyondTheDataAreRefused)
{
    const std::vector<uint8_t> good = Serialize(MakeImage());
    std::vector<uint8_t> bytes = good;
    PutU32(bytes, kImageSizeField, static_cast<uint32_t>(good.size() + 1));
    EXPECT_EQ(Parse(bytes), BioStatus::Truncated);
    bytes = good;
    bytes.push_back(0);
    EXPECT_EQ(Parse(bytes), BioStatus::SizeMismatch);
    bytes = good;
    PutU32(bytes, kImageSizeField, 0x80000000u);
    EXPECT_EQ(Parse(bytes), BioStatus::TooLarge);
    bytes = good;
    PutU32(bytes, kHeaderSizeField, 0xFFFFFFFFu);
    EXPECT_EQ(Parse(bytes), BioStatus::BadHeaderSize);
    bytes = good;
    PutU32(bytes, kHeaderSizeField, 27);
    EXPECT_EQ(Parse(bytes), BioStatus::BadHeaderSize);
}

TEST(CapsuleFormat, ModuleBoundsThatOverflowAreRefused)
{
    const std::vector<uint8_t> good = Serialize(MakeImage());
    std::vector<uint8_t> bytes = good;
    // offset + size wraps around 32 bits.
    PutU32(bytes, kModuleTable + kEntryOffset, 0xFFFFFFF0u);
    PutU32(bytes, kModuleTable + kEntrySize, 0x20);
    EXPECT_EQ(Parse(bytes), BioStatus::ModuleOutOfBounds);
    bytes = good;
    PutU32(bytes, kModuleTable + kEntrySize, 0xFFFFFFFFu);
    EXPECT_EQ(Parse(bytes), BioStatus::ModuleOutOfBounds);
    bytes = good;
    PutU32(bytes, kModuleTable + kEntryOffset, kModuleTable); // inside the table
    EXPECT_EQ(Parse(bytes), BioStatus::ModuleOutOfBounds);
    bytes = good;
    PutU32(bytes, kModuleTable + 16 + kEntryOffset, GetU32(good, kModuleTable + kEntryOffset) + 8);
    EXPECT_EQ(Parse(bytes), BioStatus::ModulesOverlap);
}

TEST(CapsuleFormat, LogoPictureSizeMustMatchItsModule)
{
    const std::vector<uint8_t> good = Serialize(ImageWithSplash());
    const size_t logoStart = GetU32(good, kModuleTable + 16 + kEntryOffset);
    std::vector<uint8_t> bytes = good;
    PutU32(bytes, logoStart + 28, 0xFFFFFFFFu);
    EXPECT_EQ(Parse(bytes), BioStatus::Truncated);
    bytes = good;
    PutU32(bytes, logoStart + 28, GetU32(good, logoStart + 28) - 1);
    EXPECT_EQ(Parse(bytes), BioStatus::BadLogoModule);
    bytes = good;
    bytes[logoStart + 32] = 'X'; // the picture is no longer a bitmap
    EXPECT_EQ(Parse(bytes), BioStatus::BadPicture);
    bytes = good;
    PutU32(bytes, logoStart + 20, 32); // maximum width below the picture's 64
    EXPECT_EQ(Parse(bytes), BioStatus::PictureTooLarge);
}

TEST(CapsuleFormat, HeaderFieldsAreChecked)
{
    const std::vector<uint8_t> good = Serialize(MakeImage());
    std::vector<uint8_t> bytes = good;
    bytes[kBodyHeader] = 'X';
    EXPECT_EQ(Parse(bytes), BioStatus::BadBodySignature);
    bytes = good;
    PutU16(bytes, kBodyHeader + 4, 2);
    EXPECT_EQ(Parse(bytes), BioStatus::BadFormatVersion);
    bytes = good;
    PutU16(bytes, kModuleCountField, 0);
    EXPECT_EQ(Parse(bytes), BioStatus::BadModuleCount);
    bytes = good;
    PutU16(bytes, kModuleCountField, 17);
    EXPECT_EQ(Parse(bytes), BioStatus::BadModuleCount);
    bytes = good;
    PutU32(bytes, kFlashAreaField, 0);
    EXPECT_EQ(Parse(bytes), BioStatus::BadFlashAreaSize);
    bytes = good;
    PutU32(bytes, kReservedField, 1);
    EXPECT_EQ(Parse(bytes), BioStatus::BadReservedField);
    bytes = good;
    bytes[kFirmwareIdOffset + 8] = 0; // text after the terminator
    EXPECT_EQ(Parse(bytes), BioStatus::BadFirmwareId);
    bytes = good;
    bytes[kFirmwareIdOffset] = 0x07;
    EXPECT_EQ(Parse(bytes), BioStatus::BadFirmwareId);
}

TEST(CapsuleFormat, ModuleRulesAreChecked)
{
    const std::vector<uint8_t> good = Serialize(MakeImage());
    std::vector<uint8_t> bytes = good;
    PutU32(bytes, kModuleTable + 16, kModuleTypeFirmware); // two firmware modules
    PutU32(bytes, kModuleTable + 16 + kEntryFlags, 0);
    EXPECT_EQ(Parse(bytes), BioStatus::FirmwareModuleCount);
    bytes = good;
    PutU32(bytes, kModuleTable + kEntryFlags, kModuleFlagSplash); // splash flag on the firmware
    EXPECT_EQ(Parse(bytes), BioStatus::BadModuleFlags);
    bytes = good;
    PutU32(bytes, kModuleTable + 16 + kEntryFlags, 0x80);
    EXPECT_EQ(Parse(bytes), BioStatus::BadModuleFlags);

    CapsuleImage image = MakeImage();
    image.modules[1].flags = kModuleFlagLogoModule2; // LogoModule2 without the splash flag
    EXPECT_EQ(ValidateImage(image), BioStatus::BadModuleFlags);
}

// Damage every byte in a few ways: the parser must never crash, and whatever it accepts
// must be an image that can be written again.
TEST(CapsuleFormat, DamagedImagesNeverBreakTheParser)
{
    const std::vector<uint8_t> good = Serialize(ImageWithSplash());
    std::mt19937 random(7);
    for (size_t offset = 0; offset < good.size(); ++offset) {
        for (uint8_t value : {uint8_t{0}, uint8_t{0xFF}, static_cast<uint8_t>(random())}) {
            std::vector<uint8_t> bytes = good;
            bytes[offset] = value;
            CapsuleImage image;
            if (Parse(bytes, image) == BioStatus::Ok) {
                std::vector<uint8_t> written;
                EXPECT_EQ(SerializeCapsule(image, written), BioStatus::Ok) << "offset " << offset;
            }
        }
    }
}

TEST(CapsuleFormat, SizeRemainingIsFlashAreaMinusModules)
{
    CapsuleImage image = MakeImage(1000);
    image.flashAreaSize = 2000;
    EXPECT_EQ(UsedSize(image), 1000u + kLogoHeaderSize);
    EXPECT_EQ(SizeRemaining(image), 2000 - 1000 - 32);
    image.modules[1].logo->picture = MakeBitmap(100, 100); // 30054 bytes
    EXPECT_EQ(SizeRemaining(image), 2000 - 1000 - 32 - 30054);
    EXPECT_EQ(ModuleOffset(image, 1), kModuleTable + 32 + 1000);
}

TEST(CapsuleFormat, WriterRefusesInvalidImagesBeforeWriting)
{
    CapsuleImage image = MakeImage();
    image.firmwareId.clear();
    bool wrote = false;
    EXPECT_EQ(WriteCapsule(image, [&](std::span<const uint8_t>) { return wrote = true; }), BioStatus::BadFirmwareId);
    EXPECT_FALSE(wrote);
    image = MakeImage();
    image.modules[1].logo->badge.color = 5;
    EXPECT_EQ(ValidateImage(image), BioStatus::BadBadge);
    image = MakeImage();
    EXPECT_EQ(WriteCapsule(image, [](std::span<const uint8_t>) { return false; }), BioStatus::WriteFailed);
}
