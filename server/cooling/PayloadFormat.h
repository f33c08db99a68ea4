// The fan-control payload file and the firmware variable that carries it, as byte
// computations: the file's 8-byte header checked against the file, and the variable made of a
// 15-byte header and the whole file. Plain C++ over byte spans without Windows headers, built
// natively, tested and fuzzed; the payload manager reads the file and writes the variable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace payload_format {

// "CSFA", little-endian.
constexpr uint32_t kSignature = 0x41465343;
constexpr size_t kFileHeaderBytes = 8;
constexpr size_t kVariableHeaderBytes = 15;

struct FileHeader {
    uint32_t signature = 0;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint16_t length = 0;  // the whole file, header included
};

enum class FileCheck {
    Payload,       // a payload of this kind whose length field is its size
    NotThisKind,   // another signature, or too short to tell (4 bytes or fewer)
    Truncated,     // the signature, but fewer than the header's 8 bytes
    SizeMismatch,  // the length field is not the file's size
};

// Reads the header from the file's first bytes and checks it against the file.
FileCheck CheckFile(std::span<const uint8_t> file, FileHeader& header);

// The variable's contents: "CSFA", the header length 15, version 1.0 as two 16-bit numbers,
// six zero bytes, then the file byte for byte. The version is always 1.0: the file's own
// version bytes are not taken (they stay in the copy of the file that follows).
std::vector<uint8_t> MakeVariable(std::span<const uint8_t> file);

} // namespace payload_format
