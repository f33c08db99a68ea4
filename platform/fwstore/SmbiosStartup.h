// What the emulated firmware does with the board's SMBIOS strings. Firmware builds its SMBIOS
// tables anew at every start, from the strings it was given at the factory and the ones the
// operating system has written since; the variables "1.4" to "3.8" are how it shows the
// strings to the operating system.
//
// The manufacturing strings are kept in firmware-private variables: the same names under the
// emulated firmware's own vendor GUID, with boot-service access only (firmware data that an
// operating system has no business with). A board made from a profile records them from the
// profile's strings; the start-up below gives them back when a string has been deleted.
#pragma once

#include "StoreImage.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fwstore {

// The vendor GUID of the SMBIOS string variables, and the emulated firmware's own.
extern const GUID SMBIOS_STRING_VENDOR;
extern const GUID EMULATED_FIRMWARE_VENDOR;
// Firmware-private data: non-volatile, boot-service access, no run-time access.
constexpr uint32_t MANUFACTURING_STRING_ATTRIBUTES = ATTRIBUTE_NON_VOLATILE | ATTRIBUTE_BOOTSERVICE_ACCESS;
// The attributes of a string variable that the firmware makes itself.
constexpr uint32_t SMBIOS_STRING_ATTRIBUTES = ATTRIBUTE_NON_VOLATILE | ATTRIBUTE_BOOTSERVICE_ACCESS | ATTRIBUTE_RUNTIME_ACCESS;

struct SmbiosString {
    const wchar_t* name;     // the variable the firmware shows the string in
    const wchar_t* override; // the variable the operating system writes it to
};

// In SMBIOS table order. The chassis serial number and asset tag are written under names of
// their own; the others are written where they are shown.
extern const std::array<SmbiosString, 8> SMBIOS_STRINGS;

// Records every SMBIOS string the image holds as its manufacturing string, unless one is
// recorded already.
void RecordManufacturingStrings(StoreImage& image);

struct SmbiosStartupChange {
    enum class Kind {
        Overridden, // the shown string was set from the string the operating system wrote
        Restored,   // the shown string was set from the manufacturing string
        Failed,     // it should have been, but the store refused the write (`status`)
    };
    Kind kind = Kind::Restored;
    std::wstring name;   // the shown variable
    std::wstring source; // the override its text came from; empty for the manufacturing string
    uint32_t status = 0;
};

// The start-up of the strings, for each of them: a written override is shown (and stays, so
// every later start shows it again until it is deleted); without one, a chassis serial
// number or asset tag is shown as manufactured, and any other string that has been deleted
// is made again from its manufacturing string. A string without a recorded manufacturing
// string is left as it is. Answers the changes made, in table order; none when the strings
// already stand as they should.
std::vector<SmbiosStartupChange> StartSmbiosStrings(StoreImage& image);

} // namespace fwstore
