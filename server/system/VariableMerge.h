// What an install writes into one firmware variable, as byte computations: the masked merge
// of the bytes to set with the variable's current contents, the password rule, whether a
// write is needed at all, and a value laid into a variable. Plain C++ over byte spans without
// Windows headers, so that it is built natively, tested and fuzzed; the install collector
// reads and writes the firmware around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace variable_merge {

// The variable's new contents: for each byte below the record's length, the record's byte
// where the mask is 0xFF and the current byte where it is 0x00 (in general
// (mask AND data) OR (NOT mask AND current)); past the record, the current bytes. A variable
// never shrinks: the result is as long as the longer of the two, and bytes that neither the
// record nor the variable had are 0. A mask shorter than the data keeps the current bytes
// past its end.
std::vector<uint8_t> MergeMasked(std::span<const uint8_t> current, std::span<const uint8_t> data,
    std::span<const uint8_t> mask);

// Whether a record would write over a password the variable holds: some bit that the record
// writes (its mask) is set in the current bytes. Any such bit counts, whatever the record
// holds there: writing zeros would clear a password as surely as other bytes would replace
// it. An empty (absent) variable holds no password.
bool OverwritesPassword(std::span<const uint8_t> current, std::span<const uint8_t> mask);

// Whether `merged` must be written: the variable is absent, or its bytes differ. Writing the
// bytes a variable already holds changes nothing but costs an erase of the flash.
bool NeedsWrite(bool exists, std::span<const uint8_t> current, std::span<const uint8_t> merged);

// The runs of bytes in which `after` differs from `before`, in order; bytes past the end of
// `before` count as changed (a variable that grows, or one that did not exist).
struct ByteRange {
    size_t offset = 0;
    size_t length = 0;
    bool operator==(const ByteRange&) const = default;
};
std::vector<ByteRange> ChangedRanges(std::span<const uint8_t> before, std::span<const uint8_t> after);

// Whether a value `width` bytes wide at `offset` lies inside a variable of `size` bytes.
bool FitsInVariable(size_t offset, size_t width, size_t size);

// Lays the `width` low bytes of `value` into `bytes` at `offset`, least significant first,
// and sets their mask bytes to 0xFF. False, and nothing changed, when they do not fit (both
// spans must hold offset + width bytes) or `width` is over 8.
bool LayValue(uint64_t value, size_t width, size_t offset, std::span<uint8_t> bytes, std::span<uint8_t> mask);

} // namespace variable_merge
