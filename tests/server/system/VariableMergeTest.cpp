// The bytes an install writes into a variable: the masked merge with the current contents,
// the password rule, the skipped identical write and a value laid into a variable.
#include "VariableMerge.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using namespace variable_merge;

// A variable whose every byte differs from its neighbours, so that a byte moved or lost shows.
Bytes Pattern(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    return bytes;
}

TEST(VariableMerge, ATokenChangesExactlyItsBytesLeastSignificantFirst)
{
    const Bytes current = Pattern(0x100);
    Bytes data(current.size(), 0);
    Bytes mask(current.size(), 0);
    ASSERT_TRUE(LayValue(0x1234, 2, 0x40, data, mask));

    const Bytes merged = MergeMasked(current, data, mask);
    Bytes expected = current;
    expected[0x40] = 0x34;
    expected[0x41] = 0x12;
    EXPECT_EQ(merged, expected);
    EXPECT_TRUE(NeedsWrite(true, current, merged));
}

TEST(VariableMerge, AVariableNeverShrinksAndGrowsToALongerRecord)
{
    const Bytes current = Pattern(10);
    const Bytes shortRecord = {0xA0, 0xA1, 0xA2, 0xA3};
    Bytes expected = current;
    std::copy(shortRecord.begin(), shortRecord.end(), expected.begin());
    EXPECT_EQ(MergeMasked(current, shortRecord, Bytes(4, 0xFF)), expected);

    // An image longer than its variable is written whole.
    const Bytes longRecord = Pattern(16);
    EXPECT_EQ(MergeMasked(Pattern(4), longRecord, Bytes(16, 0xFF)), longRecord);
    // Unmasked bytes that the variable never had are 0.
    const Bytes grown = MergeMasked(Bytes{1, 2}, Bytes{9, 9, 9, 9}, Bytes{0xFF, 0, 0, 0xFF});
    EXPECT_EQ(grown, (Bytes{9, 2, 0, 9}));
}

TEST(VariableMerge, MaskBitsAndAShortMaskKeepTheCurrentBits)
{
    EXPECT_EQ(MergeMasked(Bytes{0xAB}, Bytes{0x5C}, Bytes{0x0F}), Bytes{0xAC});
    // Past the mask's end the current bytes stay, whatever the data says.
    EXPECT_EQ(MergeMasked(Bytes{1, 2, 3}, Bytes{7, 8, 9}, Bytes{0xFF}), (Bytes{7, 2, 3}));
    // An absent variable: the masked bytes, zeros elsewhere.
    EXPECT_EQ(MergeMasked(Bytes{}, Bytes{7, 8}, Bytes{0, 0xFF}), (Bytes{0, 8}));
}

TEST(VariableMerge, APasswordIsOverwrittenWhereverTheRecordWritesOverABitOfIt)
{
    EXPECT_FALSE(OverwritesPassword(Bytes{}, Bytes{0xFF, 0xFF}));           // absent
    EXPECT_FALSE(OverwritesPassword(Bytes{0, 0, 0}, Bytes{0xFF, 0xFF}));    // no password set
    EXPECT_FALSE(OverwritesPassword(Bytes{0xF0, 0x0F}, Bytes{0x0F, 0xF0})); // the bits it writes are clear
    EXPECT_TRUE(OverwritesPassword(Bytes{0, 0x01}, Bytes{0, 0xFF}));        // clearing it, or replacing it
    // Only the bytes below both lengths count.
    EXPECT_FALSE(OverwritesPassword(Bytes{0, 0xFF}, Bytes{0xFF}));
    EXPECT_FALSE(OverwritesPassword(Bytes{0xFF}, Bytes{0, 0xFF}));
}

TEST(VariableMerge, OnlyAbsentOrChangedVariablesAreWritten)
{
    const Bytes current = Pattern(8);
    EXPECT_FALSE(NeedsWrite(true, current, MergeMasked(current, current, Bytes(8, 0xFF))));
    EXPECT_FALSE(NeedsWrite(true, current, MergeMasked(current, Bytes(8, 0x55), Bytes(8, 0))));
    EXPECT_TRUE(NeedsWrite(false, Bytes{}, Bytes{}));
    EXPECT_TRUE(NeedsWrite(true, current, MergeMasked(current, Pattern(9), Bytes(9, 0))));  // grown by a 0
}

TEST(VariableMerge, ChangedRangesAreTheRunsOfDifferingBytesAndTheGrownTail)
{
    using variable_merge::ByteRange;
    const Bytes before = {1, 2, 3, 4, 5, 6};
    const Bytes after = {1, 9, 9, 4, 5, 7, 8, 8};
    EXPECT_EQ(variable_merge::ChangedRanges(before, after), (std::vector<ByteRange>{{1, 2}, {5, 3}}));
    EXPECT_TRUE(variable_merge::ChangedRanges(before, before).empty());
    EXPECT_EQ(variable_merge::ChangedRanges({}, Bytes{0, 0}), (std::vector<ByteRange>{{0, 2}})) << "a new variable";
}

TEST(VariableMerge, AValueMustFitItsVariable)
{
    EXPECT_TRUE(FitsInVariable(6, 2, 8));
    EXPECT_FALSE(FitsInVariable(7, 2, 8));
    EXPECT_FALSE(FitsInVariable(std::numeric_limits<size_t>::max(), 2, 8));
    EXPECT_FALSE(FitsInVariable(0, 9, 8));

    Bytes data(8, 0xEE);
    Bytes mask(8, 0);
    EXPECT_FALSE(LayValue(0x1234, 2, 7, data, mask));
    EXPECT_EQ(data, Bytes(8, 0xEE));
    EXPECT_EQ(mask, Bytes(8, 0));
    Bytes wide(16, 0xEE);
    Bytes wideMask(16, 0);
    EXPECT_FALSE(LayValue(1, 9, 0, wide, wideMask));  // wider than any value
    EXPECT_EQ(wide, Bytes(16, 0xEE));

    ASSERT_TRUE(LayValue(0x0102030405060708ULL, 8, 0, data, mask));
    EXPECT_EQ(data, (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(mask, Bytes(8, 0xFF));
}

} // namespace
