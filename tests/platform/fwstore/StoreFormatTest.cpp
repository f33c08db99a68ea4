#include "StoreFormat.h"

#include "EfiGuid.h"
#include "TestBoards.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace fwstore;

namespace {

StoreImage FullImage()
{
    return FullBoard();
}

// The bytes the writer makes of a store that it must accept.
std::vector<uint8_t> Serialize(const StoreImage& image)
{
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_EQ(SerializeStore(image, bytes, error), SerializeStatus::Ok) << Narrow(error);
    return bytes;
}

// The bytes of a store that breaks a rule, which only the unchecked encoder writes.
std::vector<uint8_t> Unchecked(const StoreImage& image)
{
    return StoreFormatTesting::EncodeUnchecked(image);
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
    EXPECT_NE(error.find(expectedText), std::wstring::npos) << Narrow(error);
    EXPECT_EQ(image.variables.size(), 2u) << "a refused file must leave the image alone";
}

} // namespace

TEST(StoreFormat, RoundTripKeepsEverything)
{
    StoreImage original = FullImage();
    StoreImage parsed;
    std::wstring error;
    ASSERT_TRUE(ParseStore(Serialize(original), parsed, error)) << Narrow(error);
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
    EXPECT_EQ(Serialize(parsed), Serialize(original));
}

TEST(StoreFormat, EveryTruncationIsRefused)
{
    std::vector<uint8_t> bytes = Serialize(FullImage());
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
    std::vector<uint8_t> bytes = Serialize(FullImage());
    for (size_t i = STORE_HEADER_BYTES; i < bytes.size(); i += 7) {
        std::vector<uint8_t> damaged = bytes;
        damaged[i] ^= 0x10;
        ExpectRefused(damaged, L"checksum");
    }
}

TEST(StoreFormat, HeaderFaultsAreNamed)
{
    std::vector<uint8_t> bytes = Serialize(FullImage());
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
    std::vector<uint8_t> bytes = Serialize(FullImage());
    size_t nameLength = STORE_HEADER_BYTES + 12;
    bytes[nameLength] = 0xFF;
    bytes[nameLength + 1] = 0xFF;
    FixChecksum(bytes);
    ExpectRefused(bytes, L"board name");

    bytes = Serialize(FullImage());
    size_t sectionSize = STORE_HEADER_BYTES + 4;
    bytes[sectionSize + 3] = 0x7F;
    FixChecksum(bytes);
    ExpectRefused(bytes, L"cut short");
}

TEST(StoreFormat, ImpossibleVariableCountIsRefused)
{
    StoreImage image = SmallBoard();
    std::vector<uint8_t> bytes = Serialize(image);
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
    ExpectRefused(Unchecked(twice), L"appears twice");

    StoreImage badFault = SmallBoard();
    badFault.faults.push_back({static_cast<StoreOperation>(9), 5, 0, 0, 1, {}, L""});
    ExpectRefused(Unchecked(badFault), L"fault operation 9");

    StoreImage usedUp = SmallBoard();
    usedUp.faults.push_back({StoreOperation::SetVariable, 5, 0, 0, 0, {}, L""});
    ExpectRefused(Unchecked(usedUp), L"used-up");

    StoreImage empty = SmallBoard();
    empty.variables[0].data.clear();
    ExpectRefused(Unchecked(empty), L"has no data");
}

TEST(StoreFormat, WriterRefusesExactlyWhatTheReaderRefuses)
{
    for (const StoreBoundaryCase& test : StoreBoundaryCases()) {
        SCOPED_TRACE(test.label);
        StoreImage image = FullImage();
        test.change(image);
        // The reader's verdict on the image's encoding, written without the writer's checks.
        StoreImage read;
        std::wstring readError;
        EXPECT_EQ(ParseStore(Unchecked(image), read, readError), test.valid) << Narrow(readError);

        std::vector<uint8_t> written = {0x42};
        std::wstring writeError;
        SerializeStatus status = SerializeStore(image, written, writeError);
        if (!test.valid) {
            EXPECT_EQ(status, SerializeStatus::BreaksRule);
            EXPECT_EQ(written, std::vector<uint8_t>{0x42}) << "a refused image produces no bytes";
            EXPECT_NE(writeError.find(test.problem), std::wstring::npos) << Narrow(writeError);
            EXPECT_NE(readError.find(test.problem), std::wstring::npos) << Narrow(readError);
            continue;
        }
        ASSERT_EQ(status, SerializeStatus::Ok) << Narrow(writeError);
        // What the writer accepts reads back, field for field.
        StoreImage back;
        std::wstring error;
        ASSERT_TRUE(ParseStore(written, back, error)) << Narrow(error);
        EXPECT_TRUE(SameContent(back, image));
        EXPECT_EQ(back.boardName, image.boardName);
        ASSERT_EQ(back.variables.size(), image.variables.size());
        ASSERT_EQ(back.faults.size(), image.faults.size());
        if (!image.faults.empty()) {
            EXPECT_EQ(back.faults[0].name, image.faults[0].name);
        }
        EXPECT_EQ(Serialize(back), written);
    }
}

TEST(StoreFormat, WriterNamesTheRecordThatBreaksARule)
{
    StoreImage image = FullImage();
    image.faults.assign(3, image.faults[0]);
    image.faults[2].name = std::wstring(MAX_NAME_LENGTH + 1, L'x');
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_EQ(SerializeStore(image, bytes, error), SerializeStatus::BreaksRule);
    EXPECT_EQ(error, L"fault 3: fault name has 1025 characters, more than the 1024 a name may have");

    image = FullImage();
    image.variables[1].name.clear();
    EXPECT_EQ(SerializeStore(image, bytes, error), SerializeStatus::BreaksRule);
    EXPECT_EQ(error, L"variable 2: variable name is empty");
    EXPECT_TRUE(bytes.empty());
}

TEST(StoreFormat, ComputedSizeIsTheSizeOfTheWrittenFile)
{
    // Every record kind, with names and data of several lengths, and the empty store.
    StoreImage image = FullImage();
    EXPECT_EQ(EncodedStoreBytes(image), Serialize(image).size());
    image.variables.push_back({L"A longer variable name", TEST_VENDOR, 7, std::vector<uint8_t>(513, 1)});
    image.counters.push_back({L"Another", OTHER_VENDOR, 1, 2, 3, 4, 5});
    FaultRule fault;
    fault.name = L"BootOrder";
    image.faults.push_back(fault);
    image.exportDb.assign(1000, 0x33);
    image.capsule.image.assign(4097, 0x44);
    EXPECT_EQ(EncodedStoreBytes(image), Serialize(image).size());
    EXPECT_EQ(EncodedStoreBytes(image), Unchecked(image).size());
    StoreImage empty;
    EXPECT_EQ(EncodedStoreBytes(empty), Unchecked(empty).size());
}

TEST(StoreFormat, WriterRefusesAFileLargerThanTheReaderReads)
{
    // The store of the largest size is written and read in a 32-bit process too: the writer
    // allocates the file once and refuses the larger one before allocating anything.
    // A capsule that makes the file exactly as large as any store, then one byte more.
    StoreImage image = SmallBoard();
    const size_t overhead = Serialize(image).size();
    const size_t largest = STORE_MAX_FILE_BYTES - overhead;
    image.capsule.image.reserve(largest + 1);
    image.capsule.image.assign(largest, 0x5A);
    std::vector<uint8_t> bytes;
    std::wstring error;
    ASSERT_EQ(SerializeStore(image, bytes, error), SerializeStatus::Ok) << Narrow(error);
    EXPECT_EQ(bytes.size(), STORE_MAX_FILE_BYTES);
    {
        image.capsule.image.push_back(0x5A);
        std::vector<uint8_t> untouched = {1};
        EXPECT_EQ(SerializeStore(image, untouched, error), SerializeStatus::TooLarge);
        EXPECT_EQ(untouched, std::vector<uint8_t>{1});
        EXPECT_NE(error.find(L"larger than any store"), std::wstring::npos) << Narrow(error);
        std::vector<uint8_t>().swap(image.capsule.image);
    }
    StoreImage back;
    ASSERT_TRUE(ParseStore(bytes, back, error)) << Narrow(error);
    EXPECT_EQ(back.capsule.image.size(), largest);
    std::vector<uint8_t>().swap(back.capsule.image);
    // Grown by one byte exactly: a doubling growth of a buffer this large does not fit beside
    // it in the address space of a 32-bit process.
    bytes.reserve(bytes.size() + 1);
    bytes.push_back(0);
    EXPECT_FALSE(ParseStore(bytes, back, error));
    EXPECT_NE(error.find(L"larger than any store"), std::wstring::npos) << Narrow(error);
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
