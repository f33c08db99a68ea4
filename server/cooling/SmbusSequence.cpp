#include "SmbusSequence.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace cooling {

namespace {

constexpr uint16_t kVersion11 = 0x0101;
constexpr uint16_t kVersion16 = 0x0106;
constexpr size_t kMostBytes = 0xFFFF;
constexpr size_t kMostSequences = 0xFF;

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string Number(size_t value)
{
    return std::to_string(value);
}

bool IsFormatCode(uint8_t code)
{
    return code == 1 || code == 2 || code == 4;
}

void Put16(std::vector<uint8_t>& bytes, size_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

uint16_t Read16(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint8_t Sum(std::span<const uint8_t> bytes)
{
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

// What is wrong with one operation of a sequence of `version`, or nothing; `following` is
// the number of operations after it in its sequence.
std::string OperationProblem(const Operation& operation, uint8_t version, size_t following)
{
    const uint8_t code = operation.code;
    if (code > opcode::WriteChecked && !opcode::IsConditional(code)) {
        return "has the unknown code " + Hex(code);
    }
    const bool usesExtra = code == opcode::UpdateBits || opcode::IsConditional(code);
    if (usesExtra && version < 2) {
        return "has code " + Hex(code) + ", which needs version 2 or later (an interface of 1.1 or later)";
    }
    if (!usesExtra && operation.extra != 0) {
        return "has code " + Hex(code) + " and the extra byte " + Hex(operation.extra) + ", which must be 0";
    }
    if (opcode::IsConditional(code) && operation.extra > following) {
        return "is a condition over the next " + Number(operation.extra) + " operations, but only " +
               Number(following) + " follow it in its sequence";
    }
    return {};
}

bool ConditionHolds(uint8_t code, uint8_t registerValue, uint8_t value)
{
    switch (code) {
    case opcode::IfAnySet: return (registerValue & value) != 0;
    case opcode::IfNoneSet: return (registerValue & value) == 0;
    case opcode::IfEqual: return registerValue == value;
    case opcode::IfNotEqual: return registerValue != value;
    case opcode::IfBelow: return registerValue < value;
    case opcode::IfAtLeast: return registerValue >= value;
    case opcode::IfAbove: return registerValue > value;
    default: return registerValue <= value;  // IfAtMost
    }
}

// A register write as the chip takes it: the lock bit, once set, stays; a locked chip keeps
// its fan-control registers.
void ChipWrite(std::array<uint8_t, 256>& registers, uint8_t reg, uint8_t value)
{
    const bool locked = (registers[kConfigurationRegister] & kLockBit) != 0;
    if (reg == kConfigurationRegister) {
        registers[reg] = static_cast<uint8_t>(value | (registers[reg] & kLockBit));
    } else if (!(locked && reg >= kFirstRegister && reg < kFirstRegister + kImageBytes)) {
        registers[reg] = value;
    }
}

// Reads one sequence at `at` (its header checked against the bytes left); false with
// `problem`, which names it by its number.
bool DecodeSequence(std::span<const uint8_t> buffer, size_t& at, size_t number, uint8_t formatCode,
    Sequence& sequence, std::string& problem)
{
    const std::string name = "sequence " + Number(number) + " at offset " + Number(at) + ": ";
    const size_t left = buffer.size() - at;
    if (left < kSequenceHeaderBytes) {
        problem = name + "its header needs 6 bytes, " + Number(left) + " remain";
        return false;
    }
    const size_t headerLength = buffer[at];
    const size_t length = Read16(buffer, at + 1);
    if (headerLength != kSequenceHeaderBytes) {
        problem = name + "the header length is " + Number(headerLength) + ", not 6";
        return false;
    }
    if (length < kSequenceHeaderBytes || (length - kSequenceHeaderBytes) % kOperationBytes != 0) {
        problem = name + "the length " + Number(length) + " is not 6 plus a whole number of 4-byte operations";
        return false;
    }
    if (length > left) {
        problem = name + "the length " + Number(length) + " runs past the buffer's end (" + Number(left) + " bytes remain)";
        return false;
    }
    if (buffer[at + 4] != 0) {
        problem = name + "header byte 4 is " + Hex(buffer[at + 4]) + ", not 0";
        return false;
    }
    sequence.secondAttribute = buffer[at + 3];
    sequence.firstAttribute = buffer[at + 5];
    if (sequence.secondAttribute != formatCode) {
        problem = name + "its version (second attribute) is " + Number(sequence.secondAttribute) +
                  "; the buffer's sequences are of version " + Number(formatCode);
        return false;
    }
    const size_t count = (length - kSequenceHeaderBytes) / kOperationBytes;
    sequence.operations.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t op = at + kSequenceHeaderBytes + i * kOperationBytes;
        Operation& operation = sequence.operations[i];
        operation = {buffer[op], buffer[op + 1], buffer[op + 2], buffer[op + 3]};
        if (std::string what = OperationProblem(operation, formatCode, count - i - 1); !what.empty()) {
            problem = name + "operation " + Number(i + 1) + " " + what;
            return false;
        }
    }
    at += length;
    return true;
}

} // namespace

uint8_t FormatCode(uint16_t interfaceVersion)
{
    if (interfaceVersion < kVersion11) {
        return 1;
    }
    return interfaceVersion < kVersion16 ? 2 : 4;
}

bool SupportsSequences(uint16_t interfaceVersion)
{
    return interfaceVersion > 2;
}

Sequence ChipSequence(const Corrin6Config& image, uint16_t interfaceVersion)
{
    const uint8_t version = FormatCode(interfaceVersion);
    Sequence sequence;
    sequence.firstAttribute = static_cast<uint8_t>(image.Address() << 1);
    sequence.secondAttribute = version;
    std::vector<Operation> writes;
    for (size_t n = 0; n < kImageBytes; ++n) {
        const uint8_t written = image.WrittenBits()[n];
        const uint8_t reg = static_cast<uint8_t>(kFirstRegister + n);
        const uint8_t byte = image.Bytes()[n];
        if (written == 0) {
            continue;
        }
        if (version < 2 || written == 0xFF) {
            writes.push_back({opcode::WriteByte, reg, byte, 0});
        } else {
            writes.push_back({opcode::UpdateBits, reg, static_cast<uint8_t>(byte & written), written});
        }
    }
    // A chip locked since power-on (by the firmware or another tool) keeps its settings; the
    // firmware then skips the writes rather than have them ignored one by one.
    if (version >= 2 && !writes.empty()) {
        sequence.operations.push_back(
            {opcode::IfNoneSet, kConfigurationRegister, kLockBit, static_cast<uint8_t>(writes.size())});
    }
    sequence.operations.insert(sequence.operations.end(), writes.begin(), writes.end());
    sequence.operations.push_back({opcode::WriteByte, kConfigurationRegister, kStartMonitoring, 0});
    return sequence;
}

std::vector<uint8_t> WrapSequences(uint8_t formatCode, std::span<const Sequence> sequences)
{
    if (sequences.size() > kMostSequences) {
        return {};
    }
    std::vector<uint8_t> buffer = {0x5F, 0x4D, 0x48, 0x5F, formatCode, static_cast<uint8_t>(kBufferHeaderBytes),
        static_cast<uint8_t>(sequences.size()), 0, 0, 0};
    for (const Sequence& sequence : sequences) {
        const size_t length = kSequenceHeaderBytes + kOperationBytes * sequence.operations.size();
        if (length > kMostBytes || buffer.size() + length > kMostBytes) {
            return {};
        }
        buffer.push_back(static_cast<uint8_t>(kSequenceHeaderBytes));
        Put16(buffer, length);
        buffer.push_back(sequence.secondAttribute);
        buffer.push_back(0);
        buffer.push_back(sequence.firstAttribute);
        for (const Operation& operation : sequence.operations) {
            buffer.insert(buffer.end(), {operation.code, operation.reg, operation.value, operation.extra});
        }
    }
    buffer[7] = static_cast<uint8_t>(buffer.size());
    buffer[8] = static_cast<uint8_t>(buffer.size() >> 8);
    buffer[9] = static_cast<uint8_t>(0x100 - Sum(buffer));
    return buffer;
}

bool DecodeBuffer(std::span<const uint8_t> buffer, DecodedBuffer& decoded, std::string& problem)
{
    if (buffer.size() < kBufferHeaderBytes) {
        problem = "the buffer has " + Number(buffer.size()) + " bytes, fewer than its 10-byte header";
        return false;
    }
    const uint32_t signature = static_cast<uint32_t>(Read16(buffer, 0)) | static_cast<uint32_t>(Read16(buffer, 2)) << 16;
    if (signature != kBufferSignature) {
        problem = "the signature is not \"_MH_\" (5F 4D 48 5F)";
        return false;
    }
    DecodedBuffer result;
    result.formatCode = buffer[4];
    if (!IsFormatCode(result.formatCode)) {
        problem = "the format code " + Number(result.formatCode) + " is unknown (1, 2 or 4)";
        return false;
    }
    if (buffer[5] != kBufferHeaderBytes) {
        problem = "the header length is " + Number(buffer[5]) + ", not 10";
        return false;
    }
    const size_t total = Read16(buffer, 7);
    if (total < kBufferHeaderBytes || total > buffer.size()) {
        problem = "the header gives a total length of " + Number(total) + " bytes; the buffer has " + Number(buffer.size());
        return false;
    }
    // The variable never shrinks: a buffer shorter than one written before it leaves that
    // one's last bytes after it. The firmware reads as far as the header's total length.
    buffer = buffer.first(total);
    if (const uint8_t sum = Sum(buffer); sum != 0) {
        problem = "the checksum is wrong: the bytes add up to " + Hex(sum) + " modulo 256, not 0";
        return false;
    }
    size_t at = kBufferHeaderBytes;
    result.sequences.resize(buffer[6]);
    for (size_t i = 0; i < result.sequences.size(); ++i) {
        if (!DecodeSequence(buffer, at, i + 1, result.formatCode, result.sequences[i], problem)) {
            return false;
        }
    }
    if (at != buffer.size()) {
        problem = Number(buffer.size() - at) + " bytes follow the last of the " + Number(result.sequences.size()) +
                  " sequences the header counts";
        return false;
    }
    decoded = std::move(result);
    return true;
}

bool RunOnChip(const Sequence& sequence, uint8_t address, std::array<uint8_t, 256>& registers, std::string& problem)
{
    const unsigned chip = static_cast<unsigned>(address) << 1;
    if (sequence.firstAttribute != chip) {
        problem = "the sequence is for the device at " + Hex(sequence.firstAttribute) + ", not for the chip at " + Hex(chip);
        return false;
    }
    std::array<uint8_t, 256> chipRegisters = registers;
    const std::vector<Operation>& operations = sequence.operations;
    for (size_t i = 0; i < operations.size(); ++i) {
        const Operation& operation = operations[i];
        const std::string name = "operation " + Number(i + 1) + " ";
        if (std::string what = OperationProblem(operation, sequence.secondAttribute, operations.size() - i - 1);
            !what.empty()) {
            problem = name + what;
            return false;
        }
        uint8_t& reg = chipRegisters[operation.reg];
        switch (operation.code) {
        case opcode::WriteByte:
            ChipWrite(chipRegisters, operation.reg, operation.value);
            break;
        case opcode::UpdateBits:
            ChipWrite(chipRegisters, operation.reg,
                static_cast<uint8_t>((reg & ~operation.extra) | (operation.value & operation.extra)));
            break;
        case opcode::ReadByte:
            break;
        case opcode::WriteChecked:
            ChipWrite(chipRegisters, operation.reg, operation.value);
            if (reg != operation.value) {
                problem = name + "wrote " + Hex(operation.value) + " to register " + Hex(operation.reg) +
                          ", which reads back " + Hex(reg);
                return false;
            }
            break;
        default:
            if (!ConditionHolds(operation.code, reg, operation.value)) {
                i += operation.extra;
            }
            break;
        }
    }
    registers = chipRegisters;
    return true;
}

std::array<uint8_t, 256> ChipDefaults()
{
    std::array<uint8_t, 256> registers{};
    const Corrin6Config image;
    std::copy(image.Bytes().begin(), image.Bytes().end(), registers.begin() + kFirstRegister);
    return registers;
}

} // namespace cooling
