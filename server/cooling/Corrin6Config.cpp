#include "Corrin6Config.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace cooling {

namespace {

// The chip at power-on, byte by byte (docs/cooling.md describes each register). Until the
// firmware programs it, every fan runs at full duty.
constexpr std::array<uint8_t, kImageBytes> kDefaultBytes = {
    0x29,              // 0: zone sources: zone A the internal sensor, zones B and C remote diode 2
    0x44, 0x40,        // 1, 2: hysteresis 4 degrees for zones A and B, and C
    0x00, 0x00,        // 3, 4: tachometer set-up
    0x62, 0x62, 0x62,  // 5-7: fans D, G, E/F: behaviour 3 (full duty), spin-up 2
    0xC3, 0xC3, 0xC3,  // 8-10: zones A-C range 32 degrees (position 12); fans D, G, E/F ~30 Hz (code 3)
    0x63, 0x63, 0x63,  // 11-13: the second range code (6) and the frequency again
    0x0C, 0x00,        // 14, 15: zone A response enabled, 4.4 s (code 4); spare
    0xCC, 0x00,        // 16, 17: zones B and C response enabled, 4.4 s; spare
    0x80, 0x80, 0x80,  // 18-20: duty at TempLow 128 of 255 (50 %)
    0x5A, 0x5A, 0x5A,  // 21-23: TempLow 90 degrees
    0x64, 0x64, 0x64,  // 24-26: TempAllOn 100 degrees
    0x44, 0x40,        // 27, 28: DutyZeroDelta 4 degrees for indices 1 to 3
    0x00, 0x00, 0x00,  // 29-31: spare
};

// Where each writer's bits live: the image byte of index 1 (the next indices follow it).
constexpr size_t kZoneSourceByte = 0;
constexpr uint8_t kZoneASourceBits = 0x03;  // 0 is the processor's diode
constexpr size_t kMappingByte = 5;
constexpr size_t kRangeByte = 8;        // TempDelta position, bits 7-4; frequency, bits 2-0
constexpr size_t kSecondRangeByte = 11; // the second range code, bits 7-4; frequency, bits 2-0
constexpr size_t kDutyLowByte = 18;
constexpr size_t kTempLowByte = 21;
constexpr size_t kTempAllOnByte = 24;
constexpr size_t kDutyZeroDeltaByte = 27;

// The response time of each index: its byte, the enable bit and the code's lowest bit.
struct ResponseBits {
    size_t byte;
    uint8_t enable;
    int codeShift;
};
constexpr ResponseBits kResponseBits[] = {{14, 0x08, 0}, {16, 0x80, 4}, {16, 0x08, 0}};

// DutyZeroDelta of each index: its byte and the nibble's lowest bit.
struct NibbleBits {
    size_t byte;
    int shift;
};
constexpr NibbleBits kDutyZeroDeltaBits[] = {{kDutyZeroDeltaByte, 4}, {kDutyZeroDeltaByte, 0}, {kDutyZeroDeltaByte + 1, 4}};

// Response-time codes by position: the chip counts from its slowest response.
constexpr double kResponseCodes[] = {35, 17.6, 11.8, 7, 4.4, 3, 1.6, 0.8};

constexpr uint8_t kMappingCodes[] = {0, 1, 2, 6, 5, 3};
constexpr uint8_t kFrequencyCodes[] = {kFrequencyUnchanged, 0, 1, 2, 3, 4, 5, 6, 7};

// TempAllOn 128 is "never all on"; as a signed byte it would read -128.
constexpr int kAllOnNever = 128;

// Half of the smallest step of a float: products such as 50 x 2.55 that should end in .5
// come out a little below it in binary.
constexpr double kHalfTolerance = 1.1920929e-7;

bool IsWhole(double value, int minimum, int maximum)
{
    return value >= minimum && value <= maximum && value == std::floor(value);
}

// The position of the list value nearest to `value`, the earlier on equal distances.
size_t NearestPosition(std::span<const double> list, double value)
{
    size_t nearest = 0;
    for (size_t position = 1; position < list.size(); ++position) {
        if (std::fabs(list[position] - value) < std::fabs(list[nearest] - value)) {
            nearest = position;
        }
    }
    return nearest;
}

std::array<double, 16> TemperatureValues()
{
    std::array<double, 16> values{};
    const std::span<const Choice> ranges = TemperatureRanges();
    for (size_t i = 0; i < values.size() && i < ranges.size(); ++i) {
        values[i] = ranges[i].number;
    }
    return values;
}

uint8_t DutyByte(double percent)
{
    const double product = percent * 2.55;
    const double whole = std::floor(product);
    return static_cast<uint8_t>(product - whole >= 0.5 - kHalfTolerance ? whole + 1 : whole);
}

} // namespace

std::optional<uint8_t> MappingCode(int internalValue)
{
    if (internalValue < 0 || internalValue >= static_cast<int>(std::size(kMappingCodes))) {
        return std::nullopt;
    }
    return kMappingCodes[internalValue];
}

std::optional<uint8_t> FrequencyCode(int internalValue)
{
    if (internalValue < 0 || internalValue >= static_cast<int>(std::size(kFrequencyCodes))) {
        return std::nullopt;
    }
    return kFrequencyCodes[internalValue];
}

std::optional<int> MappingInternalValue(uint8_t code)
{
    for (size_t internal = 0; internal < std::size(kMappingCodes); ++internal) {
        if (kMappingCodes[internal] == code) {
            return static_cast<int>(internal);
        }
    }
    return std::nullopt;
}

std::optional<int> FrequencyInternalValue(uint8_t code)
{
    for (size_t internal = 0; internal < std::size(kFrequencyCodes); ++internal) {
        if (kFrequencyCodes[internal] == code) {
            return static_cast<int>(internal);
        }
    }
    return std::nullopt;
}

Corrin6Config::Corrin6Config() : m_bytes(kDefaultBytes) {}

Corrin6Config Corrin6Config::FromRegisters(std::span<const uint8_t, 256> registers)
{
    Corrin6Config image;
    std::copy_n(registers.begin() + kFirstRegister, kImageBytes, image.m_bytes.begin());
    return image;
}

bool Corrin6Config::SetAddress(uint8_t address)
{
    if (address == 0 || address > 0x7F) {
        return false;
    }
    m_address = address;
    return true;
}

void Corrin6Config::TieProcessorToControlZone()
{
    SetBits(kZoneSourceByte, kZoneASourceBits, 0);
}

void Corrin6Config::SetBits(size_t byte, uint8_t mask, uint8_t bits)
{
    m_bytes[byte] = static_cast<uint8_t>((m_bytes[byte] & ~mask) | (bits & mask));
    m_written[byte] |= mask;
}

WriteResult Corrin6Config::Write(SettingType type, int index, double value, double* used)
{
    if (index != kEveryOutput && (index < 1 || index > 3)) {
        return WriteResult::BadIndex;
    }
    // The value is checked once, before any bit changes: a refused value leaves the image.
    double held = 0;
    const WriteResult check = Check(type, value, held);
    if (check != WriteResult::Ok) {
        return check;
    }
    if (index == kEveryOutput) {
        Put(type, 1, held);
        Put(type, 2, held);
    } else {
        Put(type, index, held);
    }
    if (used != nullptr) {
        *used = held;
    }
    return WriteResult::Ok;
}

WriteResult Corrin6Config::Check(SettingType type, double value, double& held)
{
    held = value;
    switch (type) {
    case SettingType::Frequency:
        return IsWhole(value, 0, kFrequencyUnchanged) ? WriteResult::Ok : WriteResult::OutOfRange;
    case SettingType::Mapping:
        return IsWhole(value, 0, 7) ? WriteResult::Ok : WriteResult::OutOfRange;
    case SettingType::DutyZeroDelta:
        return IsWhole(value, 0, 15) ? WriteResult::Ok : WriteResult::OutOfRange;
    case SettingType::TempLow:
        return IsWhole(value, -125, 125) ? WriteResult::Ok : WriteResult::OutOfRange;
    case SettingType::TempAllOn:
        return IsWhole(value, -125, 125) || value == kAllOnNever ? WriteResult::Ok : WriteResult::OutOfRange;
    case SettingType::DutyLow:
        if (!(value >= 0 && value <= 100)) {
            return WriteResult::OutOfRange;
        }
        held = DutyByte(value);
        return WriteResult::Ok;
    case SettingType::TempDelta: {
        const std::array<double, 16> list = TemperatureValues();
        held = list[NearestPosition(list, value)];
        return held == value ? WriteResult::Ok : WriteResult::NotInList;
    }
    case SettingType::ResponseTime:
        // 0 is no response-time smoothing at all: the enable bit is cleared.
        if (value == 0) {
            return WriteResult::Ok;
        }
        held = kResponseCodes[NearestPosition(kResponseCodes, value)];
        return held == value ? WriteResult::Ok : WriteResult::NotInList;
    }
    return WriteResult::OutOfRange;
}

void Corrin6Config::Put(SettingType type, int index, double held)
{
    const size_t at = static_cast<size_t>(index - 1);
    switch (type) {
    case SettingType::Frequency:
        // "No change" leaves the chip's frequency as it is: no bit is written.
        if (held != kFrequencyUnchanged) {
            SetBits(kRangeByte + at, 0x07, static_cast<uint8_t>(held));
            SetBits(kSecondRangeByte + at, 0x07, static_cast<uint8_t>(held));
        }
        break;
    case SettingType::Mapping:
        SetBits(kMappingByte + at, 0xE0, static_cast<uint8_t>(static_cast<unsigned>(held) << 5));
        break;
    case SettingType::DutyZeroDelta: {
        const NibbleBits bits = kDutyZeroDeltaBits[at];
        SetBits(bits.byte, static_cast<uint8_t>(0x0F << bits.shift), static_cast<uint8_t>(static_cast<unsigned>(held) << bits.shift));
        break;
    }
    case SettingType::TempLow:
        SetBits(kTempLowByte + at, 0xFF, static_cast<uint8_t>(static_cast<int>(held)));
        break;
    case SettingType::TempAllOn:
        SetBits(kTempAllOnByte + at, 0xFF, static_cast<uint8_t>(static_cast<int>(held)));
        break;
    case SettingType::DutyLow:
        SetBits(kDutyLowByte + at, 0xFF, static_cast<uint8_t>(held));
        break;
    case SettingType::TempDelta: {
        const std::array<double, 16> list = TemperatureValues();
        const auto position = static_cast<unsigned>(NearestPosition(list, held));
        SetBits(kRangeByte + at, 0xF0, static_cast<uint8_t>(position << 4));
        // The chip's second comparator counts in steps of two list positions.
        SetBits(kSecondRangeByte + at, 0xF0, static_cast<uint8_t>((position / 2) << 4));
        break;
    }
    case SettingType::ResponseTime: {
        const ResponseBits bits = kResponseBits[at];
        if (held == 0) {
            SetBits(bits.byte, bits.enable, 0);
            break;
        }
        const auto code = static_cast<unsigned>(NearestPosition(kResponseCodes, held));
        const auto codeMask = static_cast<uint8_t>(0x07 << bits.codeShift);
        SetBits(bits.byte, static_cast<uint8_t>(bits.enable | codeMask),
            static_cast<uint8_t>(bits.enable | code << bits.codeShift));
        break;
    }
    }
}

std::optional<double> Corrin6Config::Read(SettingType type, int index) const
{
    if (index < 1 || index > 3) {
        return std::nullopt;
    }
    const size_t at = static_cast<size_t>(index - 1);
    switch (type) {
    case SettingType::Frequency:
        return m_bytes[kRangeByte + at] & 0x07;
    case SettingType::Mapping:
        return m_bytes[kMappingByte + at] >> 5;
    case SettingType::DutyZeroDelta: {
        const NibbleBits bits = kDutyZeroDeltaBits[at];
        return (m_bytes[bits.byte] >> bits.shift) & 0x0F;
    }
    case SettingType::TempLow:
        return static_cast<int8_t>(m_bytes[kTempLowByte + at]);
    case SettingType::TempAllOn: {
        const uint8_t byte = m_bytes[kTempAllOnByte + at];
        return byte == kAllOnNever ? kAllOnNever : static_cast<int8_t>(byte);
    }
    case SettingType::DutyLow:
        // The whole percentage nearest to the duty; every percentage 0 to 100 comes back.
        return std::round(m_bytes[kDutyLowByte + at] / 2.55);
    case SettingType::TempDelta:
        return TemperatureValues()[m_bytes[kRangeByte + at] >> 4];
    case SettingType::ResponseTime: {
        const ResponseBits bits = kResponseBits[at];
        const uint8_t byte = m_bytes[bits.byte];
        if ((byte & bits.enable) == 0) {
            return 0.0;
        }
        return kResponseCodes[(byte >> bits.codeShift) & 0x07];
    }
    }
    return std::nullopt;
}

} // namespace cooling
