// The .BIO capsule over any bytes: the layout read from the front, the whole capsule, its
// logo module and the splash bitmap. What the parser accepts is written back and must read
// back to the same bytes.
#include "FuzzTargets.h"

#include "BitmapInfo.h"
#include "CapsuleParser.h"
#include "CapsuleWriter.h"
#include "FirmwareId.h"

#include <memory>
#include <string_view>
#include <vector>

namespace bio_fuzz {

namespace {

void FuzzCapsule(std::span<const uint8_t> bytes)
{
    biofile::CapsuleLayout layout;
    const biofile::BioStatus layoutStatus =
        biofile::ParseLayout(bytes.first(std::min(bytes.size(), biofile::kMaxLayoutBytes)), bytes.size(), layout);
    biofile::DescribeStatus(layoutStatus);
    auto whole = std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
    biofile::CapsuleImage image;
    if (biofile::ParseCapsule(whole, image) != biofile::BioStatus::Ok) {
        return;
    }
    FuzzCheck(layoutStatus == biofile::BioStatus::Ok, "a capsule is accepted whole but its layout is refused");
    std::vector<uint8_t> written;
    if (biofile::SerializeCapsule(image, written) != biofile::BioStatus::Ok) {
        return;
    }
    biofile::CapsuleImage again;
    FuzzCheck(biofile::ParseCapsule(std::make_shared<const std::vector<uint8_t>>(written), again) == biofile::BioStatus::Ok,
        "a written capsule does not parse");
    std::vector<uint8_t> rewritten;
    FuzzCheck(biofile::SerializeCapsule(again, rewritten) == biofile::BioStatus::Ok && rewritten == written,
        "a written capsule does not read back equal");
}

void FuzzLogo(std::span<const uint8_t> bytes)
{
    biofile::LogoContent logo;
    if (biofile::ParseLogoContent(bytes, logo) != biofile::BioStatus::Ok) {
        return;
    }
    const std::vector<uint8_t> written = biofile::SerializeLogo(logo);
    biofile::LogoContent again;
    FuzzCheck(biofile::ParseLogoContent(written, again) == biofile::BioStatus::Ok, "a written logo module does not parse");
    FuzzCheck(biofile::SerializeLogo(again) == written, "a written logo module does not read back equal");
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    FuzzCapsule(bytes);
    FuzzLogo(bytes);
    biofile::BitmapInfo info;
    biofile::DescribeBitmapStatus(biofile::InspectBitmap(bytes, info));
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    biofile::IsValidFirmwareId(text);
    biofile::HasFirmwareIdLayout(text);
}

} // namespace bio_fuzz
