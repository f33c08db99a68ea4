// The text rules that every section of a board profile shares: blanks around words, and
// numbers written in decimal or with 0x in hex.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fwstore {

// `text` without the blanks (spaces, tabs, carriage returns) around it.
std::string_view TrimProfileText(std::string_view text);

// Decimal or 0x hex, at most `maximum`; nothing for any other text.
std::optional<uint32_t> ParseProfileNumber(std::string_view text, uint32_t maximum = UINT32_MAX);

} // namespace fwstore
