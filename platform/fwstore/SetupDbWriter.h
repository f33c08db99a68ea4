// Compiles the setup sections of a board profile (SetupProfile.h) into the setup database
// that GetExportDb answers, and the "Setup" image that the questions' defaults make.
// Plain C++ over byte vectors.
#pragma once

#include "Guid.h"
#include "SetupProfile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fwstore::setup {

struct CompiledSetup {
    bool hasForms = false;          // the profile had at least one form set
    std::vector<uint8_t> database;
    // The image of the store named "Setup", when one is defined: zero bytes with the
    // questions' defaults. It is the board's "Setup" and "SetupDefault".
    bool hasSetupImage = false;
    GUID setupVendor{};
    std::vector<uint8_t> setupImage;
};

// Checks the whole description (stores, form ids, offsets, overlaps, limits) and builds the
// bytes. On failure `out` is left as it was and `error` names the line.
bool CompileSetup(const SetupDescription& description, CompiledSetup& out, SetupError& error);

// Reads the setup sections of a whole profile text and compiles them.
bool CompileSetupProfile(std::string_view profileText, CompiledSetup& out, SetupError& error);

} // namespace fwstore::setup
