// Reading .BIO images. ParseLayout needs only the bytes before the first payload (at most
// kMaxLayoutBytes), so a capsule can be recognised without reading its firmware body;
// ParseCapsule reads the whole image and decodes the logo module.
#pragma once

#include "CapsuleImage.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace biofile {

struct ModuleEntry {
    uint32_t type = 0;
    uint32_t flags = 0;
    uint32_t offset = 0; // from the start of the capsule
    uint32_t size = 0;
};

struct CapsuleLayout {
    uint32_t headerSize = 0;
    uint32_t capsuleFlags = 0;
    uint32_t imageSize = 0;
    uint32_t flashAreaSize = 0;
    std::string firmwareId;
    std::vector<ModuleEntry> entries;
};

// `front` holds the first bytes of the image (all of them, or at least kMaxLayoutBytes);
// `available` is the number of bytes that the whole image has.
BioStatus ParseLayout(std::span<const uint8_t> front, uint64_t available, CapsuleLayout& layout);
// The whole image; firmware payloads stay views into `bytes`.
BioStatus ParseCapsule(const std::shared_ptr<const std::vector<uint8_t>>& bytes, CapsuleImage& image);
BioStatus ParseLogoContent(std::span<const uint8_t> payload, LogoContent& logo);

} // namespace biofile
