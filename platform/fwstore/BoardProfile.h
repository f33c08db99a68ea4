// Board profiles: the readable text that describes a board's firmware (its variables, their
// data, the capacity of its variable storage and its setup database). `fwsim init` turns a
// profile into a store. The format is in docs/emulated-board.md.
#pragma once

#include "StoreImage.h"
#include "StoreResult.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fwstore {

// Longest profile that is read, and longest binary file that a profile may name.
constexpr size_t BOARD_PROFILE_MAX_BYTES = 16u * 1024 * 1024;
constexpr size_t BOARD_FILE_MAX_BYTES = 64u * 1024 * 1024;

// Reads a file that the profile names (relative to the profile); false with a message when
// it cannot.
using BoardFileLoader = std::function<bool(const std::wstring& name, std::vector<uint8_t>& bytes, std::wstring& error)>;

// Builds a fresh store image from the profile text. A failure answers status 3 with
// "<source>(<line>): <what is wrong>" and leaves `image` untouched.
StoreResult ParseBoardProfile(std::string_view text, const std::wstring& sourceName,
    const BoardFileLoader& loadFile, StoreImage& image);

// The files themselves (BoardProfileFiles.cpp) are read through Windows; the parser above
// is plain C++ over text and builds natively too.

// Reads a profile file and the files it names, which are looked for next to it.
StoreResult LoadBoardProfile(const std::wstring& path, StoreImage& image);

// Reads a whole binary file of at most `maxBytes`.
bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::wstring& error);

} // namespace fwstore
