// Writing .BIO images: the headers and module table are rebuilt from the model, the
// payloads follow in module order without gaps. The image goes to a sink piece by piece,
// so a large firmware body is never copied into a second buffer.
#pragma once

#include "CapsuleImage.h"

#include <functional>
#include <span>
#include <vector>

namespace biofile {

// Receives the next bytes of the image; false stops the writing.
using ByteSink = std::function<bool(std::span<const uint8_t>)>;

// Validates the image first; nothing reaches the sink when it is not valid.
BioStatus WriteCapsule(const CapsuleImage& image, const ByteSink& sink);
BioStatus SerializeCapsule(const CapsuleImage& image, std::vector<uint8_t>& bytes);
std::vector<uint8_t> SerializeLogo(const LogoContent& logo);

} // namespace biofile
