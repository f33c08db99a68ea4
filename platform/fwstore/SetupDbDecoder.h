// Reads a setup database (SetupDbFormat.h) back into text: per data table its header, its
// variable and string packs, then the forms pack opcode by opcode. Every read is checked
// against the bounds of its table and pack; a damaged database gives the text up to the
// damage and the offset and nature of the damage. Plain C++ over a byte span; fwsim's
// `setupdb` command prints it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fwstore::setupdb {

struct SetupDbCounts {
    size_t tables = 0, forms = 0, references = 0;
    size_t oneOf = 0, checkBox = 0, numeric = 0, orderedList = 0, password = 0;
    size_t Questions() const { return oneOf + checkBox + numeric + orderedList + password; }
};

struct SetupDbDump {
    std::vector<std::string> lines;   // UTF-8, indented by two spaces a level
    SetupDbCounts counts;
    bool damaged = false;
    std::string damage;               // "damaged at offset N: what"
};

SetupDbDump DecodeSetupDatabase(std::span<const uint8_t> database);

// "tables 2, forms 7, questions 160 (one-of 80, ...), references 10"
std::string SummaryLine(const SetupDbCounts& counts);

} // namespace fwstore::setupdb
