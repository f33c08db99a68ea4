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

// Operation codes. A plain operation acts on one register of the sequence's device; its
// extra byte is 0 except for UpdateBits. A conditional operation tests one register and runs
// the `extra` operations that follow it only when the test holds (else skips them).
// UpdateBits and the conditional operations need a sequence of version 2 or later (an
// interface of 1.1 or later): before that the extra byte is always 0.
namespace opcode {
constexpr uint8_t WriteByte = 0;      // register = value
constexpr uint8_t UpdateBits = 1;     // the bits set in extra take the value's bits
constexpr uint8_t ReadByte = 2;       // reads the register (value 0); changes nothing
constexpr uint8_t WriteChecked = 3;   // register = value, read back: a difference stops the sequence
constexpr uint8_t IfAnySet = 0x80;    // (register & value) != 0
constexpr uint8_t IfNoneSet = 0x81;   // (register & value) == 0
constexpr uint8_t IfEqual = 0x82;     // register == value
constexpr uint8_t IfNotEqual = 0x83;  // register != value
constexpr uint8_t IfBelow = 0x84;     // register < value
constexpr uint8_t IfAtLeast = 0x85;   // register >= value
constexpr uint8_t IfAbove = 0x86;     // register > value
constexpr uint8_t IfAtMost = 0x87;    // register <= value
constexpr bool IsConditional(uint8_t code) { return code >= IfAnySet && code <= IfAtMost; }
} // namespace opcode

// The chip's configuration register: monitoring runs while bit 0 is set; bit 1 locks the
// fan-control registers (kFirstRegister onwards) until the next power-on, and once set it
// stays set. Every chip sequence ends by starting the monitoring.
constexpr uint8_t kConfigurationRegister = 0x40;
constexpr uint8_t kStartMonitoring = 0x01;
constexpr uint8_t kLockBit = 0x02;

struct Operation {
    uint8_t code = 0;
    uint8_t reg = 0;
    uint8_t value = 0;
    uint8_t extra = 0;
    bool operator==(const Operation&) const = default;
};

// The first attribute byte is the device's 8-bit SMBus address (the 7-bit address shifted
// left by one); the second is the sequence's version, which is the buffer's format code.
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
// From version 2 on it writes exactly the written bits (UpdateBits, or WriteByte for a byte
// written whole) and only while the chip is not locked; version 1 writes each byte with a
// written bit whole, its other bits as the image holds them.
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
// register file as the chip would (a locked chip ignores writes to its fan-control
// registers). False with `problem`, and the registers unchanged, when the sequence is for
// another device or an operation cannot run.
bool RunOnChip(const Sequence& sequence, uint8_t address, std::array<uint8_t, 256>& registers,
    std::string& problem);

// The chip's register file at power-on (the image's default bytes at their registers).
std::array<uint8_t, 256> ChipDefaults();

} // namespace cooling
