// The checksum that INI files carry for binary values and for the reference ID: the 16-bit
// sum of each byte XOR the low 8 bits of its position, negated.
#pragma once

#include <cstddef>
#include <cstdint>

uint16_t IniChecksum(const uint8_t* bytes, size_t count);

// A checksum as written in a file is a decimal number of which only the low 16 bits count,
// so 65404 and -132 are the same checksum.
bool IniChecksumMatches(long written, uint16_t computed);
