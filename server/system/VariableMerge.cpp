#include "VariableMerge.h"

#include <algorithm>

namespace variable_merge {

std::vector<uint8_t> MergeMasked(std::span<const uint8_t> current, std::span<const uint8_t> data,
    std::span<const uint8_t> mask)
{
    std::vector<uint8_t> merged(std::max(current.size(), data.size()), 0);
    std::copy(current.begin(), current.end(), merged.begin());
    const size_t masked = std::min(data.size(), mask.size());
    for (size_t i = 0; i < masked; ++i) {
        merged[i] = static_cast<uint8_t>((mask[i] & data[i]) | (~mask[i] & merged[i]));
    }
    return merged;
}

bool OverwritesPassword(std::span<const uint8_t> current, std::span<const uint8_t> mask)
{
    const size_t common = std::min(current.size(), mask.size());
    for (size_t i = 0; i < common; ++i) {
        if ((current[i] & mask[i]) != 0) {
            return true;
        }
    }
    return false;
}

bool NeedsWrite(bool exists, std::span<const uint8_t> current, std::span<const uint8_t> merged)
{
    return !exists || !std::equal(current.begin(), current.end(), merged.begin(), merged.end());
}

std::vector<ByteRange> ChangedRanges(std::span<const uint8_t> before, std::span<const uint8_t> after)
{
    std::vector<ByteRange> ranges;
    for (size_t i = 0; i < after.size(); ++i) {
        if (i < before.size() && before[i] == after[i]) {
            continue;
        }
        if (!ranges.empty() && ranges.back().offset + ranges.back().length == i) {
            ++ranges.back().length;
        } else {
            ranges.push_back({i, 1});
        }
    }
    return ranges;
}

bool FitsInVariable(size_t offset, size_t width, size_t size)
{
    // Written so that a huge offset cannot wrap around.
    return width <= size && offset <= size - width;
}

bool LayValue(uint64_t value, size_t width, size_t offset, std::span<uint8_t> bytes, std::span<uint8_t> mask)
{
    if (width > sizeof(value) || !FitsInVariable(offset, width, bytes.size()) ||
        !FitsInVariable(offset, width, mask.size())) {
        return false;
    }
    for (size_t i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        mask[offset + i] = 0xFF;
    }
    return true;
}

} // namespace variable_merge
