// The install's variable merge over any lengths and bytes: the merged variable is never
// shorter than either side, holds the record's bits exactly where the mask has them and the
// current bytes everywhere else, and needs a write exactly when it differs; a value laid into
// a variable reads back, or changes nothing when it does not fit.
#include "FuzzTargets.h"

#include "VariableMerge.h"

#include <algorithm>
#include <vector>

namespace merge_fuzz {

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Take(FuzzBytes& input, size_t size)
{
    Bytes bytes(size);
    for (uint8_t& byte : bytes) {
        byte = input.U8();
    }
    return bytes;
}

void CheckMerge(const Bytes& current, const Bytes& data, const Bytes& mask)
{
    const Bytes merged = variable_merge::MergeMasked(current, data, mask);
    FuzzCheck(merged.size() == std::max(current.size(), data.size()), "the merged variable has the wrong length");
    for (size_t i = 0; i < merged.size(); ++i) {
        const uint8_t before = i < current.size() ? current[i] : 0;
        const bool masked = i < data.size() && i < mask.size();
        const uint8_t expected = masked ? static_cast<uint8_t>((mask[i] & data[i]) | (~mask[i] & before)) : before;
        FuzzCheck(merged[i] == expected, "a merged byte is neither the record's nor the variable's");
    }
    const bool same = merged == current;
    FuzzCheck(variable_merge::NeedsWrite(true, current, merged) == !same, "a write is asked for wrongly");
    // A record that would change a byte holding a password bit always meets the rule.
    for (size_t i = 0; i < std::min({current.size(), data.size(), mask.size()}); ++i) {
        if ((current[i] & mask[i]) != 0 && merged[i] != current[i]) {
            FuzzCheck(variable_merge::OverwritesPassword(current, mask), "a password would be overwritten unnoticed");
        }
    }
    // The changed runs cover exactly the differing bytes, in order, without touching runs.
    Bytes covered(merged.size(), 0);
    size_t end = 0;
    for (const variable_merge::ByteRange& range : variable_merge::ChangedRanges(current, merged)) {
        FuzzCheck(range.length > 0 && range.offset + range.length <= merged.size(), "a changed run lies outside");
        FuzzCheck(range.offset > end || end == 0, "changed runs overlap, touch or go backwards");
        end = range.offset + range.length;
        std::fill_n(covered.begin() + static_cast<std::ptrdiff_t>(range.offset), range.length, uint8_t{1});
    }
    for (size_t i = 0; i < merged.size(); ++i) {
        const bool differs = i >= current.size() || current[i] != merged[i];
        FuzzCheck((covered[i] != 0) == differs, "a changed run misses a changed byte or holds a kept one");
    }
}

void CheckLay(FuzzBytes& input)
{
    const size_t size = input.U8() % 24;
    const size_t offset = input.U8() % 32;
    const size_t width = input.U8() % 10;
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = value << 8 | input.U8();
    }
    Bytes bytes = Take(input, size);
    Bytes mask(size, 0);
    const Bytes before = bytes;
    if (!variable_merge::LayValue(value, width, offset, bytes, mask)) {
        FuzzCheck(bytes == before && mask == Bytes(size, 0), "a value that does not fit changed the variable");
        FuzzCheck(width > 8 || offset + width > size, "a value that fits was refused");
        return;
    }
    uint64_t back = 0;
    for (size_t i = width; i-- > 0;) {
        back = back << 8 | bytes[offset + i];
    }
    const uint64_t kept = width == 8 ? value : value & ((uint64_t{1} << (8 * width)) - 1);
    FuzzCheck(back == kept, "a laid value does not read back");
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    FuzzBytes input({data, size});
    const size_t currentSize = input.U8() % 64;
    const size_t dataSize = input.U8() % 64;
    const size_t maskSize = input.U8() % 64;
    const Bytes current = Take(input, currentSize);
    const Bytes record = Take(input, dataSize);
    const Bytes mask = Take(input, maskSize);
    CheckMerge(current, record, mask);
    CheckLay(input);
}

} // namespace merge_fuzz
