// The "_MH_" sequence buffer over any bytes, as the firmware reads it: the check never reads
// past the buffer; a buffer it takes is exactly what wrapping its sequences again gives;
// running a sequence on the chip either succeeds or leaves the registers as they were, and
// never runs on another device. The input is tried once as it is and once with its total
// length and checksum made right, so that mutations reach the sequences behind them.
#include "FuzzTargets.h"

#include "SmbusSequence.h"

#include <string>
#include <vector>

namespace sequence_fuzz {

namespace {

void RunDecoded(const cooling::DecodedBuffer& decoded)
{
    for (const cooling::Sequence& sequence : decoded.sequences) {
        const uint8_t address = sequence.firstAttribute >> 1;
        std::array<uint8_t, 256> registers = cooling::ChipDefaults();
        std::string problem;
        const std::array<uint8_t, 256> before = registers;
        if (!cooling::RunOnChip(sequence, address, registers, problem)) {
            FuzzCheck(registers == before, "a sequence that failed changed the chip");
            FuzzCheck(!problem.empty(), "a sequence failed without a problem");
        }
        const uint8_t another = static_cast<uint8_t>((address + 1) & 0x7F);
        FuzzCheck(!cooling::RunOnChip(sequence, another, registers, problem), "a sequence ran on another device");
    }
}

void DecodeOne(std::span<const uint8_t> buffer)
{
    cooling::DecodedBuffer decoded;
    std::string problem;
    if (!cooling::DecodeBuffer(buffer, decoded, problem)) {
        FuzzCheck(!problem.empty(), "a buffer was refused without a problem");
        return;
    }
    // The buffer is its header's total length; what follows it in the variable is not read.
    const std::vector<uint8_t> again = cooling::WrapSequences(decoded.formatCode, decoded.sequences);
    const size_t total = static_cast<size_t>(buffer[7]) | static_cast<size_t>(buffer[8]) << 8;
    FuzzCheck(total <= buffer.size() && std::equal(again.begin(), again.end(), buffer.begin(), buffer.begin() + total),
        "wrapping the decoded sequences again does not give the buffer");
    cooling::DecodedBuffer second;
    FuzzCheck(cooling::DecodeBuffer(again, second, problem) && second.formatCode == decoded.formatCode &&
                  second.sequences == decoded.sequences,
        "the wrapped sequences do not decode to the same sequences");
    RunDecoded(decoded);
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> buffer(data, size);
    DecodeOne(buffer);
    if (size < cooling::kBufferHeaderBytes || size > 0xFFFF) {
        return;
    }
    std::vector<uint8_t> sealed(buffer.begin(), buffer.end());
    sealed[7] = static_cast<uint8_t>(size);
    sealed[8] = static_cast<uint8_t>(size >> 8);
    sealed[9] = 0;
    uint8_t sum = 0;
    for (uint8_t byte : sealed) {
        sum = static_cast<uint8_t>(sum + byte);
    }
    sealed[9] = static_cast<uint8_t>(0x100 - sum);
    DecodeOne(sealed);
}

} // namespace sequence_fuzz
