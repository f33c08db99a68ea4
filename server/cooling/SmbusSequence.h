// The SMBus write sequence that programs the hardware-monitor chip at the next start, and the
// "_MH_" buffer that carries sequences to the firmware in "BmiUserSequence": made from a
// register image, and read back (checked, decoded, run against a chip's register file) as
// the emulated firmware does. Plain C++ over byte spans without Windows headers; fuzzed.
#pragma once

#include "Corrin6Config.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cooling {

// "_MH_", little-endian.
constexpr uint32_t kBufferSignature = 0x5F484D5F;
constexpr size_t kBufferHeaderBytes = 10;
constexpr size_t kSequenceHeaderBytes = 6;
constexpr size_t kOperationBytes = 4;

struct Operation {
    uint8_t code = 0;
    uint8_t reg = 0;
    uint8_t value = 0;
    uint8_t extra = 0;
    bool operator==(const Operation&) const = default;
};

struct Sequence {
    uint8_t firstAttribute = 0;
    uint8_t secondAttribute = 0;
    std::vector<Operation> operations;
    bool operator==(const Sequence&) const = default;
};

// The firmware's SMBus-sequence interface version, the first 16-bit word of "BmiGetParams":
// major in the high byte, minor in the low byte (0x0106 is 1.6).
// Format code of the buffer by that version: 1 below 1.1, 2 below 1.6, else 4.
uint8_t FormatCode(uint16_t interfaceVersion);
// Versions of 2 or less are not supported by the chip's installer.
bool SupportsSequences(uint16_t interfaceVersion);

// The sequence that programs the chip with `image` (its address, its written bits), for a
// firmware of `interfaceVersion`. It ends with the operation of code 0 on register 0x40.
Sequence ChipSequence(const Corrin6Config& image, uint16_t interfaceVersion);

// The buffer: header, sequences, checksum making all bytes sum to 0. Empty when the
// sequences do not fit (more than 255, or more than 65535 bytes, or a sequence longer than
// its 16-bit length).
std::vector<uint8_t> WrapSequences(uint8_t formatCode, std::span<const Sequence> sequences);

struct DecodedBuffer {
    uint8_t formatCode = 0;
    std::vector<Sequence> sequences;
};
// Checks and decodes a buffer as the firmware does: signature, header length, total length
// against the bytes, checksum, each sequence's header and length, operation codes and the
// counts of conditional operations. False with `problem` saying what and where.
bool DecodeBuffer(std::span<const uint8_t> buffer, DecodedBuffer& decoded, std::string& problem);

// Runs one decoded sequence on a chip whose 7-bit address is `address`, changing its
// register file as the chip would. False with `problem` when the sequence is for another
// device or an operation cannot run.
bool RunOnChip(const Sequence& sequence, uint8_t address, std::array<uint8_t, 256>& registers,
    std::string& problem);

// The chip's register file at power-on (the image's default bytes at their registers).
std::array<uint8_t, 256> ChipDefaults();

} // namespace cooling
