#include "BoardProfile.h"

#include "EfiGuid.h"
#include "EfiStatus.h"
#include "SmbiosStartup.h"
#include "TestBoards.h"

#include <gtest/gtest.h>

#include <map>

using namespace fwstore;

namespace {

constexpr GUID FIRMWARE_ID_VENDOR = {0xEFC071AE, 0x41B8, 0x4018, {0xAF, 0xA7, 0x31, 0x4B, 0x18, 0x5E, 0x57, 0x8B}};
constexpr GUID SETUP_VENDOR = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
constexpr GUID SMBIOS_VENDOR = {0x70E56C5E, 0x280C, 0x44B0, {0xA4, 0x97, 0x09, 0x68, 0x1A, 0xBC, 0x37, 0x5E}};
constexpr GUID DATA_VENDOR = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};

const ProfileFiles g_files = {{L"db.bin", {1, 0, 0, 0}}, {L"blob.bin", {0xAB, 0xCD}}};

StoreResult Parse(const char* text, StoreImage& image)
{
    return ParseProfile(text, image, g_files);
}

void ExpectError(const char* text, const wchar_t* expected)
{
    ExpectProfileError(text, expected, g_files);
}

const char* const BOARD = "[Board]\nName = B\nCapacity = 4096\n";

} // namespace

TEST(BoardProfile, EveryDataKindBuildsTheBytes)
{
    std::string text = std::string(BOARD) +
        "ExportDb = db.bin\n"
        "; comment\n# another\n\n"
        "[Variable Mixed]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nAttributes = 3\n"
        "Text = \" ab \"\nString = c\nHex = 01 0203\nFile = blob.bin\n"
        "Record = 2 FF\n"
        "[Variable Padded]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 01\nSize = 4\nFill = EE\n"
        "[Variable Copied]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nCopy = Padded\n";
    StoreImage image;
    StoreResult result = Parse(text.c_str(), image);
    ASSERT_TRUE(result.Ok()) << std::string(result.message.begin(), result.message.end());
    EXPECT_EQ(image.capacity, 4096u);
    EXPECT_EQ(image.exportDb, (std::vector<uint8_t>{1, 0, 0, 0}));
    ASSERT_EQ(image.variables.size(), 3u);
    std::vector<uint8_t> mixed = {' ', 'a', 'b', ' ', 'c', 0, 1, 2, 3, 0xAB, 0xCD, 2, 0, 0, 0, 9, 0, 0, 0, 0xFF};
    EXPECT_EQ(image.variables[0].data, mixed);
    EXPECT_EQ(image.variables[0].attributes, 3u);
    EXPECT_EQ(image.variables[1].data, (std::vector<uint8_t>{1, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(image.variables[1].attributes, 7u) << "attributes default to 7";
    EXPECT_EQ(image.variables[2].data, image.variables[1].data);
}

TEST(BoardProfile, ErrorsNameTheLine)
{
    ExpectError("[Board]\nCapacity = 100\nWhat = 1\n", L"board.ini(3): unknown key \"What\"");
    ExpectError("Capacity = 1\n", L"(1): \"Capacity\" stands outside any section");
    ExpectError("[Board]\nCapacity = 4096\n[Nonsense]\n", L"(3): unknown section [Nonsense]");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nHex = 01\n", L"(3): variable \"X\" has no \"Guid\"");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nGuid = {123}\n", L"(4): \"Guid\" must have the form");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 0\n",
        L"(5): \"Hex\" must be pairs");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\n", L"has no data");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 0102\nSize = 1\n",
        L"more data than its \"Size\"");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nAttributes = 1\n",
        L"(5): \"Attributes\" must combine");
    ExpectError("[Board]\nCapacity = 4096\nExportDb = missing.bin\n", L"(3): cannot open \"missing.bin\"");
    ExpectError("[Board]\nCapacity = 99999999999\n", L"(2): \"Capacity\" must be");
    ExpectError("[Board]\nName = B\n", L"has no \"Capacity\"");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X\n", L"(3): a section header must end");
    ExpectError("[Board]\nCapacity = 4096\n[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nCopy = Y\n",
        L"(5): \"Copy\" names no variable");
    ExpectError("[Board]\nCapacity = 4096\n"
                "[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 01\n"
                "[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 02\n",
        L"(6): variable \"X\" is defined twice");
}

TEST(BoardProfile, NamesAreHeldToTheStoreRules)
{
    // What the store would refuse to read back is refused here, with the line.
    const std::string guid = "Guid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nHex = 01\n";
    auto board = [](const std::string& name) { return "[Board]\nName = " + name + "\nCapacity = 65536\n"; };
    StoreImage image;
    EXPECT_TRUE(Parse(board(std::string(1024, 'b')).c_str(), image).Ok());
    EXPECT_EQ(image.boardName.size(), 1024u);
    ExpectError(board(std::string(1025, 'b')).c_str(), L"(2): the board name has 1025 characters, more than the 1024");
    const std::string withNul = board(std::string("a\0b", 3));
    StoreResult result = ParseProfile(withNul, image, g_files);
    EXPECT_EQ(result.status, EFI_STATUS_INVALID_PARAMETER);
    EXPECT_NE(result.message.find(L"(2): the board name holds a NUL character"), std::wstring::npos)
        << std::string(result.message.begin(), result.message.end());

    image = {};
    EXPECT_TRUE(Parse((board("B") + "[Variable " + std::string(1024, 'v') + "]\n" + guid).c_str(), image).Ok());
    ASSERT_EQ(image.variables.size(), 1u);
    EXPECT_EQ(image.variables[0].name.size(), 1024u);
    ExpectError((board("B") + "[Variable " + std::string(1025, 'v') + "]\n" + guid).c_str(),
        L"(4): the variable name has 1025 characters, more than the 1024");
}

TEST(BoardProfile, VariablesBeyondTheCapacityAreRefused)
{
    ExpectError("[Board]\nCapacity = 40\n[Variable X]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nSize = 5\n",
        L"need 41 bytes of storage but \"Capacity\" is 40");
}

TEST(BoardProfile, KeepsTheManufacturingSMBIOSStringsInTheCapacity)
{
    // "1.4" names its manufacturing string itself; "3.7" gets its own from what it shows.
    const std::string strings = "[Variable 1.4]\nGuid = {70E56C5E-280C-44B0-A497-09681ABC375E}\nString = Now\n"
                                "[Variable 1.4]\nGuid = {6D3B9A41-2C7E-4F15-B8D0-94A1E25C7F36}\nAttributes = 3\n"
                                "String = Factory\n"
                                "[Variable 3.7]\nGuid = {70E56C5E-280C-44B0-A497-09681ABC375E}\nString = SN1\n";
    StoreImage image;
    ASSERT_TRUE(Parse((std::string(BOARD) + strings).c_str(), image).Ok());
    ASSERT_EQ(image.variables.size(), 4u);
    EXPECT_EQ(FindVariable(image, L"1.4", EMULATED_FIRMWARE_VENDOR)->data, (std::vector<uint8_t>{'F', 'a', 'c', 't', 'o', 'r', 'y', 0}));
    const StoredVariable* serial = FindVariable(image, L"3.7", EMULATED_FIRMWARE_VENDOR);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->data, (std::vector<uint8_t>{'S', 'N', '1', 0}));
    EXPECT_EQ(serial->attributes, MANUFACTURING_STRING_ATTRIBUTES);
    // The profile's variables take 44, 48 and 44 bytes; the copy of "3.7" 44 more.
    ExpectError(("[Board]\nCapacity = 179\n" + strings).c_str(), L"need 180 bytes of storage but \"Capacity\" is 179");

    // A string that cannot be made again for want of storage stays as it was.
    image.variables.erase(image.variables.begin()); // the shown "1.4"
    image.variables.push_back({L"3.7Rv3&Kd9z", SMBIOS_STRING_VENDOR, 7, {'S', 'N', '2', '2', '2', '2', 0}});
    // Room for "1.4" again, not for the three bytes more that the new "3.7" needs.
    image.capacity = static_cast<uint32_t>(UsedStorageBytes(image) + 44);
    std::vector<SmbiosStartupChange> changes = StartSmbiosStrings(image);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].kind, SmbiosStartupChange::Kind::Restored);
    EXPECT_EQ(changes[0].name, L"1.4");
    EXPECT_EQ(FindVariable(image, L"1.4", SMBIOS_STRING_VENDOR)->data, (std::vector<uint8_t>{'F', 'a', 'c', 't', 'o', 'r', 'y', 0}));
    EXPECT_EQ(changes[1].kind, SmbiosStartupChange::Kind::Failed);
    EXPECT_EQ(changes[1].status, EFI_STATUS_OUT_OF_STORAGE);
    EXPECT_EQ(FindVariable(image, L"3.7", SMBIOS_STRING_VENDOR)->data, (std::vector<uint8_t>{'S', 'N', '1', 0}));
}

TEST(DemoBoard, HoldsAValidDesktopBoard)
{
    StoreImage image;
    StoreResult result = LoadBoardProfile(std::wstring(BOARDS_FOLDER) + L"/demo-board.ini", image);
    ASSERT_TRUE(result.Ok()) << std::string(result.message.begin(), result.message.end());

    const StoredVariable* id = FindVariable(image, L"FirmwareId", FIRMWARE_ID_VENDOR);
    ASSERT_NE(id, nullptr);
    std::string biosId(id->data.begin(), id->data.end());
    ASSERT_EQ(biosId.size(), 32u);
    // Second field: "86" and a letter, or two digits and "T".
    size_t first = biosId.find('.'), second = biosId.find('.', first + 1);
    std::string field = biosId.substr(first + 1, second - first - 1);
    EXPECT_GE(first, 2u);
    EXPECT_TRUE((field.size() == 3 && field.substr(0, 2) == "86" && isalpha(static_cast<unsigned char>(field[2]))) ||
                (field.size() == 3 && isdigit(static_cast<unsigned char>(field[0])) && isdigit(static_cast<unsigned char>(field[1])) &&
                    (field[2] == 'T' || field[2] == 't')))
        << field;

    for (const wchar_t* name : {L"1.4", L"1.5", L"1.6", L"1.7", L"3.4", L"3.6", L"3.7", L"3.8"})
        EXPECT_NE(FindVariable(image, name, SMBIOS_VENDOR), nullptr) << std::wstring(name).size();
    const StoredVariable* setup = FindVariable(image, L"Setup", SETUP_VENDOR);
    ASSERT_NE(setup, nullptr);
    for (const wchar_t* copy : {L"SetupDefault", L"OemDefault"}) {
        const StoredVariable* image_copy = FindVariable(image, copy, SETUP_VENDOR);
        ASSERT_NE(image_copy, nullptr);
        EXPECT_EQ(image_copy->data.size(), setup->data.size());
    }
    EXPECT_FALSE(image.exportDb.empty());

    // Records chain by their lengths to the exact end; no version 2 record (not mobile).
    const StoredVariable* records = FindVariable(image, L"QrvDataVar", DATA_VENDOR);
    ASSERT_NE(records, nullptr);
    size_t offset = 0;
    std::vector<uint32_t> versions;
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(records->data[at] | records->data[at + 1] << 8 | records->data[at + 2] << 16 |
                                     records->data[at + 3] << 24);
    };
    while (offset + 8 <= records->data.size()) {
        versions.push_back(u32(offset));
        uint32_t length = u32(offset + 4);
        ASSERT_GE(length, 8u);
        if (versions.back() == 1) {
            EXPECT_EQ(length, 12u);
            EXPECT_NE(records->data[offset + 8], 0) << "a monitor chip address";
            EXPECT_EQ(records->data[offset + 9], 0);
            EXPECT_EQ(records->data[offset + 10], 0);
        }
        offset += length;
    }
    EXPECT_EQ(offset, records->data.size());
    EXPECT_EQ(versions, (std::vector<uint32_t>{1, 3, 4}));
}
