// The hardware-monitor chip's fan-control registers as a byte image: the chip's address,
// default bytes, and one writer per kind of cooling setting that puts a value into its bits.
// Plain C++ without Windows headers. The installer fills one image from the cooling items
// and turns it into an SMBus sequence (SmbusSequence.h); the system builder reads values
// back from an image that a programmed chip holds.
#pragma once

#include "CoolingTables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace cooling {

// Bytes of the image; byte n is the chip's register kFirstRegister + n.
constexpr size_t kImageBytes = 32;
constexpr uint8_t kFirstRegister = 0x60;
// An index that stands for every output: the writers apply the value to indices 1 and 2.
constexpr int kEveryOutput = -1;

enum class WriteResult {
    Ok,
    BadIndex,     // not 1 to 3 and not kEveryOutput
    OutOfRange,   // outside the writer's accepted values
    NotInList,    // TempDelta, ResponseTime: not exactly one of the list's values
};

// The behaviour code of a Mapping by its internal value (0 to 5), and the frequency code of
// a Frequency by its internal value (0 to 8); nullopt past the table.
std::optional<uint8_t> MappingCode(int internalValue);
std::optional<uint8_t> FrequencyCode(int internalValue);
// The code that means "leave the frequency as it is" ("No change"): the writer writes no bit
// for it, so the chip keeps the frequency it has.
constexpr uint8_t kFrequencyUnchanged = 8;
// The internal values of those codes (the inverse tables), for showing what a chip holds;
// nullopt for a code that no internal value has.
std::optional<int> MappingInternalValue(uint8_t code);
std::optional<int> FrequencyInternalValue(uint8_t code);

class Corrin6Config {
public:
    // The chip's default bytes, no address.
    Corrin6Config();
    // Reads an image back from the chip's register file (256 registers).
    static Corrin6Config FromRegisters(std::span<const uint8_t, 256> registers);

    // The chip's 7-bit SMBus address (the byte "QrvDataVar" lists, shifted right by one);
    // false for 0 or above 0x7F.
    bool SetAddress(uint8_t address);
    uint8_t Address() const { return m_address; }
    // Makes the processor's temperature the input of the control zone (zone A): bits 1-0 of
    // byte 0, the zone-source register, become 0 (the processor's diode).
    void TieProcessorToControlZone();

    // The writers, by setting type. `value` is the setting's number: the behaviour code for
    // Mapping, the frequency code for Frequency, degrees, percent or seconds for the others.
    // On Ok, `used` (when given) is the value the image now holds (the list value chosen by
    // the nearest-value rule, the rounded duty byte 0 to 255). A refused value changes nothing.
    WriteResult Write(SettingType type, int index, double value, double* used = nullptr);
    // The value an image holds for a setting, in the writer's terms (codes for Mapping and
    // Frequency, the list value for TempDelta and ResponseTime, 0 for a response time that
    // is off, the nearest whole percent for DutyLow); nullopt for an index outside 1 to 3.
    std::optional<double> Read(SettingType type, int index) const;

    const std::array<uint8_t, kImageBytes>& Bytes() const { return m_bytes; }
    // The bits that writers have set since construction: the sequence writes these and the
    // bytes that must always be written, and leaves other bits as the chip holds them.
    const std::array<uint8_t, kImageBytes>& WrittenBits() const { return m_written; }

private:
    // Checks `value` for a writer; `held` is what the image will hold.
    static WriteResult Check(SettingType type, double value, double& held);
    // Puts a checked value into the bits of one index.
    void Put(SettingType type, int index, double held);
    void SetBits(size_t byte, uint8_t mask, uint8_t bits);

    std::array<uint8_t, kImageBytes> m_bytes{};
    std::array<uint8_t, kImageBytes> m_written{};
    uint8_t m_address = 0;
};

} // namespace cooling
