#include "StoreFormat.h"

#include "EfiGuid.h"
#include "TestBoards.h"

#include <gtest/gtest.h>

using namespace fwstore;

namespace {

StoreImage FullImage()
{
    StoreImage image = SmallBoard();
    image.counters.push_back({L"Setup", OTHER_VENDOR, 3, 2, 1, 4, 1234567890123ull});
    image.exportDbReads = 9;
    FaultRule fault;
    fault.operation = StoreOperation::GetVariable;
    fault.status = 5;
    fault.flags = FAULT_MATCH_VENDOR;
    fault.skip = 2;
    fault.remaining = 3;
    fault.vendor = TEST_VENDOR;
    fault.name = L"Setup";
    image.faults.push_back(fault);
    image.capsule = {CAPSULE_ARMED, 0x80000003u, 0, 4, {9, 8, 7}};
    return image;
}

// Rewrites the header checksum after a test has changed the body on purpose, so that the
// parser's other checks are reached.
void FixChecksum(std::vector<uint8_t>& bytes)
{
    uint32_t crc = Crc32(std::span<const uint8_t>(bytes).subspan(STORE_HEADER_BYTES));
    for (int i = 0; i < 4; ++i)
        bytes[20 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

void ExpectRefused(const std::vector<uint8_t>& bytes, const wchar_t* expectedText)
{
    StoreImage image = SmallBoard();
    std::wstring error;
    EXPECT_FALSE(ParseStore(bytes, image, error));
    EXPECT_NE(error.find(expectedText), std::wstring::npos) << std::string(error.begin(), error.end());
    EXPECT_EQ(image.variables.size(), 2u) << "a refused file must leave the image alone";
}

} // namespace

TEST(StoreFormat, RoundTripKeepsEverything)
{
    StoreImage original = FullImage();
    StoreImage parsed;
    std::wstring error;
    ASSERT_TRUE(ParseStore(SerializeStore(original), parsed, error)) << std::string(error.begin(), error.end());
    EXPECT_EQ(parsed.boardName, original.boardName);
    EXPECT_EQ(parsed.capacity, original.capacity);
    ASSERT_EQ(parsed.variables.size(), 2u);
    EXPECT_EQ(parsed.variables[1].name, L"1.4");
    EXPECT_TRUE(SameGuid(parsed.variables[1].vendor, OTHER_VENDOR));
    EXPECT_EQ(parsed.variables[1].data, original.variables[1].data);
    EXPECT_EQ(parsed.exportDb, original.exportDb);
    EXPECT_EQ(parsed.exportDbReads, 9u);
    ASSERT_EQ(parsed.counters.size(), 1u);
    EXPECT_EQ(parsed.counters[0].bytesWritten, 1234567890123ull);
    EXPECT_EQ(parsed.counters[0].failedWrites, 4u);
    ASSERT_EQ(parsed.faults.size(), 1u);
    EXPECT_EQ(parsed.faults[0].name, L"Setup");
    EXPECT_EQ(parsed.faults[0].skip, 2u);
    EXPECT_TRUE(SameGuid(parsed.faults[0].vendor, TEST_VENDOR));
    EXPECT_EQ(parsed.capsule.state, static_cast<uint32_t>(CAPSULE_ARMED));
    EXPECT_EQ(parsed.capsule.lastStatus, 0x80000003u);
    EXPECT_EQ(parsed.capsule.image, (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_EQ(SerializeStore(parsed), SerializeStore(original));
}

TEST(StoreFormat, EveryTruncationIsRefused)
{
    std::vector<uint8_t> bytes = SerializeStore(FullImage());
    for (size_t length = 0; length < bytes.size(); ++length) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        StoreImage image;
        std::wstring error;
        EXPECT_FALSE(ParseStore(cut, image, error)) << "length " << length;
        EXPECT_FALSE(error.empty());
    }
}

TEST(StoreFormat, AnyFlippedBodyByteFailsTheChecksum)
{
    std::vector<uint8_t> bytes = SerializeStore(FullImage());
    for (size_t i = STORE_HEADER_BYTES; i < bytes.size(); i += 7) {
        std::vector<uint8_t> damaged = bytes;
        damaged[i] ^= 0x10;
        ExpectRefused(damaged, L"checksum");
    }
}

TEST(StoreFormat, HeaderFaultsAreNamed)
{
    std::vector<uint8_t> bytes = SerializeStore(FullImage());
    auto wrongMagic = bytes;
    wrongMagic[0] = 'X';
    ExpectRefused(wrongMagic, L"signature");
    auto wrongVersion = bytes;
    wrongVersion[8] = 2;
    ExpectRefused(wrongVersion, L"version");
    auto extended = bytes;
    extended.push_back(0);
    ExpectRefused(extended, L"truncated or extended");
}

TEST(StoreFormat, OverlongLengthsInsideTheBodyAreRefused)
{
    // The first section is BORD: tag, size, capacity, name length. A name length far beyond
    // the section must be caught even with a valid checksum.
    std::vector<uint8_t> bytes = SerializeStore(FullImage());
    size_t nameLength = STORE_HEADER_BYTES + 12;
    bytes[nameLength] = 0xFF;
    bytes[nameLength + 1] = 0xFF;
    FixChecksum(bytes);
    ExpectRefused(bytes, L"board name");

    bytes = SerializeStore(FullImage());
    size_t sectionSize = STORE_HEADER_BYTES + 4;
    bytes[sectionSize + 3] = 0x7F;
    FixChecksum(bytes);
    ExpectRefused(bytes, L"cut short");
}

TEST(StoreFormat, ImpossibleVariableCountIsRefused)
{
    StoreImage image = SmallBoard();
    std::vector<uint8_t> bytes = SerializeStore(image);
    // VARS follows BORD (8 + 4 + 4 + 2 * name length).
    size_t vars = STORE_HEADER_BYTES + 8 + 8 + 2 * image.boardName.size();
    ASSERT_EQ(bytes[vars], 'V');
    bytes[vars + 8 + 3] = 0x10;   // count of 0x10000002 records
    FixChecksum(bytes);
    ExpectRefused(bytes, L"variable count");
}

TEST(StoreFormat, DuplicateVariablesAndBadFaultsAreRefused)
{
    StoreImage twice = SmallBoard();
    twice.variables.push_back(twice.variables[0]);
    ExpectRefused(SerializeStore(twice), L"appears twice");

    StoreImage badFault = SmallBoard();
    badFault.faults.push_back({static_cast<StoreOperation>(9), 5, 0, 0, 1, {}, L""});
    ExpectRefused(SerializeStore(badFault), L"fault operation 9");

    StoreImage usedUp = SmallBoard();
    usedUp.faults.push_back({StoreOperation::SetVariable, 5, 0, 0, 0, {}, L""});
    ExpectRefused(SerializeStore(usedUp), L"used-up");

    StoreImage empty = SmallBoard();
    empty.variables[0].data.clear();
    ExpectRefused(SerializeStore(empty), L"has no data");
}

TEST(EfiGuid, RegistryFormRoundTripsAndRejectsNearMisses)
{
    auto guid = ParseRegistryGuid(L"{efc071ae-41b8-4018-AFA7-314B185E578B}");
    ASSERT_TRUE(guid);
    EXPECT_EQ(guid->Data1, 0xEFC071AEu);
    EXPECT_EQ(guid->Data4[7], 0x8B);
    EXPECT_EQ(FormatRegistryGuid(*guid), L"{EFC071AE-41B8-4018-AFA7-314B185E578B}");
    auto bytes = GuidToBytes(*guid);
    EXPECT_EQ(bytes[0], 0xAE);   // little-endian first field
    EXPECT_EQ(bytes[4], 0xB8);
    EXPECT_TRUE(SameGuid(GuidFromBytes(bytes), *guid));
    for (const wchar_t* bad : {L"EFC071AE-41B8-4018-AFA7-314B185E578B", L"{EFC071AE-41B8-4018-AFA7-314B185E578}",
             L"{EFC071AE-41B8-4018-AFA7_314B185E578B}", L"{EFC071AG-41B8-4018-AFA7-314B185E578B}", L""})
        EXPECT_FALSE(ParseRegistryGuid(bad)) << std::wstring(bad).size();
}
