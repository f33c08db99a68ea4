// The SMBus sequence and its "_MH_" buffer, from both ends: what the installer makes from a
// register image, and what the firmware makes of the buffer (checked, decoded and run on
// the chip's register file) until every setting reads back as written.
#include "SmbusSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cooling;

namespace {

using Bytes = std::vector<uint8_t>;
using Registers = std::array<uint8_t, 256>;

constexpr uint16_t kVersions[] = {0x0100, 0x0101, 0x0106};
constexpr uint8_t kChip = 0x2E;  // "QrvDataVar" lists 0x5C

// A value for each setting that no power-on register holds.
double TestValue(const SettingDefinition& setting)
{
    const int index = setting.index;
    switch (setting.type) {
    case SettingType::TempLow: return 30 + index;
    case SettingType::TempAllOn: return 70 + index;
    case SettingType::TempDelta: return TemperatureRanges()[2 + index].number;
    case SettingType::ResponseTime: return 1.6;
    case SettingType::DutyZeroDelta: return 9 + index;
    case SettingType::DutyLow: return 20 + index;
    case SettingType::Mapping: return *MappingCode(std::stoi(setting.choices[0].internal));
    case SettingType::Frequency: return *FrequencyCode(2 + index);
    }
    return 0;
}

// Every cooling setting written, as the installer does.
Corrin6Config InstalledImage()
{
    Corrin6Config image;
    EXPECT_TRUE(image.SetAddress(kChip));
    image.TieProcessorToControlZone();
    for (const SettingDefinition& setting : Settings()) {
        EXPECT_EQ(image.Write(setting.type, setting.index, TestValue(setting)), WriteResult::Ok) << setting.index;
    }
    return image;
}

// The buffer's way through the firmware: decoded and every sequence run on the chip.
Registers Program(const Bytes& buffer, Registers registers = ChipDefaults())
{
    DecodedBuffer decoded;
    std::string problem;
    EXPECT_TRUE(DecodeBuffer(buffer, decoded, problem)) << problem;
    for (const Sequence& sequence : decoded.sequences) {
        EXPECT_TRUE(RunOnChip(sequence, kChip, registers, problem)) << problem;
    }
    return registers;
}

Bytes BufferFor(const Corrin6Config& image, uint16_t version)
{
    const Sequence sequence = ChipSequence(image, version);
    return WrapSequences(FormatCode(version), std::span(&sequence, 1));
}

// Makes the checksum right again after a change, so that the check behind it is reached.
Bytes Resealed(Bytes buffer)
{
    buffer[9] = 0;
    uint8_t sum = 0;
    for (uint8_t byte : buffer) {
        sum = static_cast<uint8_t>(sum + byte);
    }
    buffer[9] = static_cast<uint8_t>(0x100 - sum);
    return buffer;
}

std::string Refusal(const Bytes& buffer)
{
    DecodedBuffer decoded;
    decoded.formatCode = 77;
    std::string problem;
    EXPECT_FALSE(DecodeBuffer(buffer, decoded, problem));
    EXPECT_EQ(decoded.formatCode, 77) << "a refused buffer leaves the result alone";
    return problem;
}

TEST(SmbusSequence, FormatCodesByInterfaceVersion)
{
    EXPECT_EQ(FormatCode(0x0003), 1);
    EXPECT_EQ(FormatCode(0x0100), 1);
    EXPECT_EQ(FormatCode(0x0101), 2);
    EXPECT_EQ(FormatCode(0x0105), 2);
    EXPECT_EQ(FormatCode(0x0106), 4);
    EXPECT_EQ(FormatCode(0x0200), 4);
    EXPECT_FALSE(SupportsSequences(2));
    EXPECT_TRUE(SupportsSequences(3));
}

TEST(SmbusSequence, TheDocumentedExampleBuffer)
{
    Corrin6Config image;
    ASSERT_TRUE(image.SetAddress(kChip));
    image.TieProcessorToControlZone();
    ASSERT_EQ(image.Write(SettingType::Mapping, 1, *MappingCode(0)), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::TempDelta, 1, 20), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::Frequency, 1, kFrequencyUnchanged), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::DutyLow, 1, 30), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::TempLow, 1, 45), WriteResult::Ok);

    // docs/cooling.md shows these bytes, and the fwsim test writes them.
    EXPECT_EQ(BufferFor(image, 0x0106), (Bytes{
        0x5F, 0x4D, 0x48, 0x5F, 0x04, 0x0A, 0x01, 0x30, 0x00, 0x28,  // header
        0x06, 0x26, 0x00, 0x04, 0x00, 0x5C,                          // sequence header
        0x81, 0x40, 0x02, 0x06,                                      // unless locked, the next 6:
        0x01, 0x60, 0x00, 0x03,
        0x01, 0x65, 0x00, 0xE0,
        0x01, 0x68, 0xA0, 0xF0,
        0x01, 0x6B, 0x50, 0xF0,
        0x00, 0x72, 0x4D, 0x00,
        0x00, 0x75, 0x2D, 0x00,
        0x00, 0x40, 0x01, 0x00}));

    // Before 1.1: whole bytes, no condition, every extra byte 0.
    const Sequence old = ChipSequence(image, 0x0100);
    ASSERT_EQ(old.operations.size(), 7u);
    EXPECT_EQ(old.secondAttribute, 1);
    for (const Operation& operation : old.operations) {
        EXPECT_EQ(operation.code, opcode::WriteByte);
        EXPECT_EQ(operation.extra, 0);
    }
    EXPECT_EQ(old.operations[2], (Operation{opcode::WriteByte, 0x68, 0xA3, 0})) << "range and frequency together";
    EXPECT_EQ(old.operations.back(), (Operation{opcode::WriteByte, 0x40, 0x01, 0}));
}

TEST(SmbusSequence, EverySettingReadsBackFromTheProgrammedChipAtEveryVersion)
{
    const Corrin6Config installed = InstalledImage();
    for (uint16_t version : kVersions) {
        const Registers registers = Program(BufferFor(installed, version));
        const Corrin6Config chip = Corrin6Config::FromRegisters(registers);
        for (const SettingDefinition& setting : Settings()) {
            EXPECT_EQ(chip.Read(setting.type, setting.index), TestValue(setting))
                << "version " << version << ", setting " << Settings().data() - &setting;
        }
        EXPECT_EQ(registers[0x60] & 0x03, 0) << "the processor drives zone A";
        EXPECT_EQ(registers[kConfigurationRegister], kStartMonitoring);
        EXPECT_EQ(chip.Bytes(), installed.Bytes()) << "every byte as the image has it";
    }
}

TEST(SmbusSequence, NoChangeKeepsTheChipsFrequencyBitsFromInterfaceOneOneOn)
{
    Corrin6Config image;
    ASSERT_TRUE(image.SetAddress(kChip));
    ASSERT_EQ(image.Write(SettingType::TempDelta, kEveryOutput, 80), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::Frequency, kEveryOutput, kFrequencyUnchanged), WriteResult::Ok);
    Registers running = ChipDefaults();
    running[0x68] = 0x36;  // another tool set ~62 Hz (code 6) on fan D
    running[0x6B] = 0x16;
    for (uint16_t version : {0x0101, 0x0106}) {
        const Registers registers = Program(BufferFor(image, static_cast<uint16_t>(version)), running);
        EXPECT_EQ(registers[0x68], 0xF6) << "the range changed, the frequency stayed";
        EXPECT_EQ(registers[0x6B], 0x76);
        EXPECT_EQ(registers[0x69], 0xF3);
    }
    // Before 1.1 a byte is written whole: the image's frequency, the power-on one, comes with it.
    EXPECT_EQ(Program(BufferFor(image, 0x0100), running)[0x68], 0xF3);
}

TEST(SmbusSequence, ALockedChipKeepsItsSettingsAndStillStartsMonitoring)
{
    Registers locked = ChipDefaults();
    locked[kConfigurationRegister] = kLockBit;
    for (uint16_t version : kVersions) {
        const Registers registers = Program(BufferFor(InstalledImage(), version), locked);
        EXPECT_TRUE(std::equal(registers.begin() + 0x60, registers.end(), locked.begin() + 0x60)) << version;
        EXPECT_EQ(registers[kConfigurationRegister], kLockBit | kStartMonitoring);
    }
}

TEST(SmbusSequence, ASequenceRunsOnlyOnItsDeviceAndAFailedOneChangesNothing)
{
    const Sequence sequence = ChipSequence(InstalledImage(), 0x0106);
    Registers registers = ChipDefaults();
    std::string problem;
    EXPECT_FALSE(RunOnChip(sequence, 0x2F, registers, problem));
    EXPECT_EQ(problem, "the sequence is for the device at 0x5C, not for the chip at 0x5E");
    EXPECT_EQ(registers, ChipDefaults());

    Sequence checked;
    checked.firstAttribute = kChip << 1;
    checked.secondAttribute = 4;
    checked.operations = {{opcode::WriteByte, 0x30, 0x11, 0}, {opcode::WriteByte, 0x40, kLockBit, 0},
        {opcode::WriteChecked, 0x61, 0x99, 0}};
    EXPECT_FALSE(RunOnChip(checked, kChip, registers, problem));
    EXPECT_EQ(problem, "operation 3 wrote 0x99 to register 0x61, which reads back 0x44");
    EXPECT_EQ(registers, ChipDefaults());

    checked.operations = {{opcode::IfEqual, 0x61, 0x44, 2}, {opcode::WriteChecked, 0x61, 0x99, 0},
        {opcode::IfAbove, 0x61, 0x99, 1}, {opcode::WriteByte, 0x62, 0x01, 0}};
    EXPECT_TRUE(RunOnChip(checked, kChip, registers, problem)) << problem;
    EXPECT_EQ(registers[0x61], 0x99);
    EXPECT_EQ(registers[0x62], 0x40) << "the condition's count skipped its one operation";
}

TEST(SmbusSequence, DamagedBuffersAreRefusedWithWhatIsWrong)
{
    const Bytes good = BufferFor(InstalledImage(), 0x0106);
    ASSERT_EQ(good.size(), 10u + 6 + 4 * 24);
    const auto changed = [&](size_t at, uint8_t value) {
        Bytes bad = good;
        bad[at] = value;
        return Resealed(bad);
    };
    Bytes bad = good;
    bad[20] ^= 0x01;
    EXPECT_EQ(Refusal(bad), "the checksum is wrong: the bytes add up to 0xFF modulo 256, not 0");
    EXPECT_EQ(Refusal(changed(3, '-')), "the signature is not \"_MH_\" (5F 4D 48 5F)");
    EXPECT_EQ(Refusal(Bytes(good.begin(), good.begin() + 9)), "the buffer has 9 bytes, fewer than its 10-byte header");
    EXPECT_EQ(Refusal(changed(4, 3)), "the format code 3 is unknown (1, 2 or 4)");
    EXPECT_EQ(Refusal(changed(5, 11)), "the header length is 11, not 10");
    EXPECT_EQ(Refusal(changed(7, 0x7F)), "the header gives a total length of 127 bytes; the buffer has 112");
    EXPECT_EQ(Refusal(changed(7, 9)), "the header gives a total length of 9 bytes; the buffer has 112");
    Bytes cut = good;
    cut.resize(good.size() - 4);
    cut[7] = static_cast<uint8_t>(cut.size());
    EXPECT_EQ(Refusal(Resealed(cut)), "sequence 1 at offset 10: the length 102 runs past the buffer's end (98 bytes remain)");
    Bytes extra = good;
    extra.insert(extra.end(), {0, 0, 0, 0});
    extra[7] = static_cast<uint8_t>(extra.size());
    EXPECT_EQ(Refusal(Resealed(extra)), "4 bytes follow the last of the 1 sequences the header counts");
    // Bytes past the total length are what a longer buffer written before left in the
    // variable, which never shrinks: they are not read.
    Bytes longer = good;
    longer.insert(longer.end(), {0xAA, 0xBB, 0xCC});
    DecodedBuffer whole;
    DecodedBuffer followed;
    std::string problem;
    ASSERT_TRUE(DecodeBuffer(good, whole, problem)) << problem;
    ASSERT_TRUE(DecodeBuffer(longer, followed, problem)) << problem;
    EXPECT_EQ(followed.sequences, whole.sequences);
    EXPECT_EQ(Refusal(changed(6, 2)), "sequence 2 at offset 112: its header needs 6 bytes, 0 remain");
    EXPECT_EQ(Refusal(changed(10, 7)), "sequence 1 at offset 10: the header length is 7, not 6");
    EXPECT_EQ(Refusal(changed(11, 0x75)), "sequence 1 at offset 10: the length 117 is not 6 plus a whole number of 4-byte operations");
    EXPECT_EQ(Refusal(changed(14, 1)), "sequence 1 at offset 10: header byte 4 is 0x01, not 0");
    EXPECT_EQ(Refusal(changed(13, 2)), "sequence 1 at offset 10: its version (second attribute) is 2; the buffer's sequences are of version 4");
    EXPECT_EQ(Refusal(changed(20, 0x04)), "sequence 1 at offset 10: operation 2 has the unknown code 0x04");
    EXPECT_EQ(Refusal(changed(16, 0x88)), "sequence 1 at offset 10: operation 1 has the unknown code 0x88");
    EXPECT_EQ(Refusal(changed(19, 25)), "sequence 1 at offset 10: operation 1 is a condition over the next 25 operations, but only 23 follow it in its sequence");
    EXPECT_EQ(Refusal(changed(good.size() - 1, 1)), "sequence 1 at offset 10: operation 24 has code 0x00 and the extra byte 0x01, which must be 0");

    const Bytes old = BufferFor(InstalledImage(), 0x0100);
    Bytes conditional = old;
    conditional[16] = opcode::IfAnySet;
    EXPECT_EQ(Refusal(Resealed(conditional)), "sequence 1 at offset 10: operation 1 has code 0x80, which needs version 2 or later (an interface of 1.1 or later)");
}

TEST(SmbusSequence, TwoSequencesRoundTripAndWhatCannotBeWrittenGivesNoBuffer)
{
    Sequence other;
    other.firstAttribute = 0x90;
    other.secondAttribute = 2;
    other.operations = {{opcode::ReadByte, 0x00, 0, 0}};
    const Sequence sequences[] = {ChipSequence(InstalledImage(), 0x0101), other};
    const Bytes buffer = WrapSequences(2, sequences);
    DecodedBuffer decoded;
    std::string problem;
    ASSERT_TRUE(DecodeBuffer(buffer, decoded, problem)) << problem;
    EXPECT_EQ(decoded.formatCode, 2);
    ASSERT_EQ(decoded.sequences.size(), 2u);
    EXPECT_EQ(decoded.sequences[0], sequences[0]);
    EXPECT_EQ(decoded.sequences[1], other);

    EXPECT_TRUE(WrapSequences(2, std::vector<Sequence>(255)).size() > 0);
    EXPECT_TRUE(WrapSequences(2, std::vector<Sequence>(256)).empty());
    Sequence longest;
    longest.operations.resize((0xFFFF - 10 - 6) / 4);
    EXPECT_EQ(WrapSequences(2, std::span(&longest, 1)).size(), 0xFFFCu);
    longest.operations.emplace_back();
    longest.operations.emplace_back();
    EXPECT_TRUE(WrapSequences(2, std::span(&longest, 1)).empty());
}

} // namespace
