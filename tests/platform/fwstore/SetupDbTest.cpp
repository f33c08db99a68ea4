// Setup forms in board profiles: the compiled database byte for byte, the images their
// defaults make, the errors with their lines, and the dump of a damaged database.
#include "BoardFixture.h"
#include "ByteReader.h"
#include "EfiGuid.h"
#include "SetupDbDecoder.h"
#include "SetupDbWriter.h"
#include "TestBoards.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace fwstore;

namespace {

constexpr GUID SETUP_VENDOR = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
constexpr GUID FORM_SET = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr GUID DATA_VENDOR = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};

// Lines 1 to 13; cases add from line 14.
const std::string STORES_AND_FORM =
    "[Board]\nCapacity = 65536\n"
    "[Store Setup]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 1\nSize = 32\n"
    "[Store SystemPassword]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 2\n"
    "[FormSet Main]\nGuid = {11111111-2222-3333-4444-555555555555}\nStores = Setup, SystemPassword\n"
    "Form = id=1 title=\"Main\"\n";

void WriteWide(ByteWriter& w, std::u16string_view text)
{
    for (char16_t unit : text)
        w.WriteU16(unit);
    w.WriteU16(0);
}

void WriteGuid(ByteWriter& w, const GUID& guid)
{
    auto bytes = GuidToBytes(guid);
    w.WriteBytes(bytes);
}

// The database of SMALLEST below, written out field by field at the documented offsets.
std::vector<uint8_t> SmallestDatabase()
{
    ByteWriter w;
    w.WriteU16(1);                  // one table
    w.WriteZeros(16);               // reserved GUID
    // Table header at 18: handle, package, size 320, forms at 46, strings at 126,
    // variables at 280, no device path, one variable pack, two string packs.
    w.WriteU16(1);
    WriteGuid(w, FORM_SET);
    for (uint32_t field : {320u, 46u, 126u, 280u, 0u, 1u, 2u})
        w.WriteU32(field);
    // Forms pack: 80 bytes, type 3.
    w.WriteU32(80);
    w.WriteU16(3);
    w.WriteBytes(std::vector<uint8_t>{0x0E, 24});   // form set, title "F" (1), help 0
    WriteGuid(w, FORM_SET);
    w.WriteBytes(std::vector<uint8_t>{1, 0, 0, 0, 0, 0});
    w.WriteBytes(std::vector<uint8_t>{0x24, 28});   // variable store: id 1, size 16, "Setup"
    WriteGuid(w, SETUP_VENDOR);
    w.WriteBytes(std::vector<uint8_t>{1, 0, 16, 0, 'S', 'e', 't', 'u', 'p', 0});
    w.WriteBytes(std::vector<uint8_t>{0x01, 6, 7, 0, 2, 0});   // form 7, title "T" (2)
    // Check box at offset 2, width 1, prompt 3, help 4, flags 1 (default on).
    w.WriteBytes(std::vector<uint8_t>{0x06, 12, 2, 0, 1, 3, 0, 4, 0, 1, 0, 0});
    w.WriteBytes(std::vector<uint8_t>{0x29, 2, 0x0D, 2});       // end form, end form set
    // "eng": 84 bytes; names at 42 and 50; 5 strings from 66.
    w.WriteU32(84);
    w.WriteU16(2);
    for (uint32_t field : {42u, 50u, 5u, 0u, 66u, 68u, 72u, 76u, 80u})
        w.WriteU32(field);
    for (std::u16string_view text : {u"eng", u"English", u"", u"F", u"T", u"P", u"H"})
        WriteWide(w, text);
    // "uqi": 70 bytes; the prompt's string is its UQI, the others are empty.
    w.WriteU32(70);
    w.WriteU16(2);
    for (uint32_t field : {42u, 50u, 5u, 0u, 58u, 60u, 62u, 64u, 68u})
        w.WriteU32(field);
    for (std::u16string_view text : {u"uqi", u"UQI", u"", u"", u"", u"\u0101", u""})
        WriteWide(w, text);
    // Variable pack: 40 bytes, type 1, GUID, name length 12, id 1, "Setup".
    w.WriteU32(40);
    w.WriteU16(1);
    WriteGuid(w, SETUP_VENDOR);
    w.WriteU32(12);
    w.WriteU16(1);
    WriteWide(w, u"Setup");
    return std::move(w.Bytes());
}

const char* const SMALLEST =
    "[Store Setup]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 1\nSize = 16\n"
    "[FormSet F]\nGuid = {11111111-2222-3333-4444-555555555555}\n"
    "Form = id=7 title=\"T\"\n"
    "CheckBox = offset=2 uqi=0x0101 prompt=\"P\" help=\"H\" default=1\n";

} // namespace

TEST(SetupProfile, CompilesTheDatabaseFieldByField)
{
    setup::CompiledSetup compiled;
    setup::SetupError error;
    ASSERT_TRUE(setup::CompileSetupProfile(SMALLEST, compiled, error)) << error.line << ": " << error.message;
    std::vector<uint8_t> expected = SmallestDatabase();
    ASSERT_EQ(compiled.database.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(compiled.database[i], expected[i]) << "first difference at offset " << i;
    std::vector<uint8_t> image(16, 0);
    image[2] = 1;
    EXPECT_TRUE(compiled.hasSetupImage);
    EXPECT_EQ(compiled.setupImage, image);
}

TEST(SetupProfile, DefaultsMakeTheImagesAndReadableRecordsGoWhereWritten)
{
    // OemDefault copies Setup before the forms appear; QrvDataVar mixes readable and raw
    // records. Repeated questions (same offset, width, UQI and prompt) share their bytes.
    std::string text = "[Board]\nCapacity = 65536\n"
        "[Variable OemDefault]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nCopy = Setup\n"
        "[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\n"
        "Record = 1 5C\nDoNotShow = 0x0101\nPlatformValue = 1 1\nHex = EE\nDoNotShow = 0x0203, 0x0304\nPlatformValue = 2 0x10\n"
        "[Store Setup]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 1\n"
        "[Store SystemPassword]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 2\n"
        "[FormSet Main]\nGuid = {11111111-2222-3333-4444-555555555555}\nStores = Setup, SystemPassword\n"
        "Form = id=1\n"
        "OneOf = offset=0x10 width=2 uqi=0x0101 prompt=\"Menu\" default=0x1234\nOption = value=0x1234 text=\"On\"\n"
        "OneOf = offset=0x12 uqi=0x0102 prompt=\"Flagged\"\nOption = value=0 text=\"Off\"\nOption = value=3 text=\"On\" flags=0x01\n"
        "Numeric = offset=0x13 width=4 uqi=0x0103 prompt=\"N\" default=0xBEEF\n"
        "OrderedList = offset=0x17 entries=3 uqi=0x0104 prompt=\"Order\" default=2,1\n"
        "Byte = offset=0x1A value=2\n"
        "Form = id=2\n"
        "OneOf = offset=0x10 width=2 uqi=0x0101 prompt=\"Menu\"\nOption = value=9 text=\"Other\"\n"
        "Select = store=SystemPassword\nPassword = offset=0 width=8\nCheckBox = offset=8 default=1\n";
    StoreImage image;
    StoreResult result = ParseProfile(text, image);
    ASSERT_TRUE(result.Ok()) << Narrow(result.message);
    std::vector<uint8_t> setup(32, 0);   // the end of the highest question, 0x1B, rounded up to 16
    for (auto [at, value] : {std::pair{0x10, 0x34}, {0x11, 0x12}, {0x12, 3}, {0x13, 0xEF}, {0x14, 0xBE}, {0x17, 2}, {0x18, 1}, {0x1A, 2}})
        setup[at] = static_cast<uint8_t>(value);
    for (const wchar_t* name : {L"Setup", L"SetupDefault", L"OemDefault"}) {
        const StoredVariable* variable = FindVariable(image, name, SETUP_VENDOR);
        ASSERT_NE(variable, nullptr) << Narrow(name);
        EXPECT_EQ(variable->data, setup) << Narrow(name);
    }
    EXPECT_EQ(FindVariable(image, L"SystemPassword", SETUP_VENDOR), nullptr) << "other stores make no image";
    EXPECT_FALSE(image.exportDb.empty());
    // Record 4 where its first line was, then record 3, then the raw byte after them.
    std::vector<uint8_t> records = {1, 0, 0, 0, 9, 0, 0, 0, 0x5C,
        4, 0, 0, 0, 16, 0, 0, 0, 3, 0, 0x01, 0x01, 0x03, 0x02, 0x04, 0x03,
        3, 0, 0, 0, 16, 0, 0, 0, 1, 0, 1, 0, 2, 0, 0x10, 0,
        0xEE};
    const StoredVariable* data = FindVariable(image, L"QrvDataVar", DATA_VENDOR);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data, records);
}

TEST(SetupProfile, ErrorsNameTheLineAndCreateNothing)
{
    struct Case {
        std::string lines;   // after line 13 of STORES_AND_FORM
        const wchar_t* expected;
    };
    const std::string many(65533, 'x');
    std::string gotos;   // tokens 0 ("") and 1 ("Main") are taken: the 65,534th prompt is one too many
    for (int i = 0; i < 65534; ++i)
        gotos += "Goto = form=1 prompt=\"" + std::to_string(i) + "\"\n";
    const Case cases[] = {
        {"Frob = x=1\n", L"board.ini(14): unknown statement \"Frob\""},
        {"OneOf = offset=1 colour=2\n", L"board.ini(14): unknown field \"colour\" in OneOf"},
        {"OneOf = offset=1 offset=2\n", L"board.ini(14): the field \"offset\" is given twice"},
        {"OneOf = prompt=\"open\n", L"board.ini(14): the quoted value of \"prompt\" has no closing quote"},
        {"CheckBox = uqi=0x1\n", L"board.ini(14): CheckBox needs offset="},
        {"Numeric = offset=0 width=3\n", L"board.ini(14): width= must be 1, 2, 4 or 8"},
        {"OneOf = offset=0 default=256\n", L"board.ini(14): default=256 does not fit in 1 byte"},
        {"OrderedList = offset=0 entries=2 default=1,2,3\n", L"board.ini(14): default= must be at most 2 byte values"},
        {"\nForm = id=2\nForm = id=1 title=\"again\"\n", L"board.ini(16): the form id 1 is defined twice in the form set \"Main\" (first on line 13)"},
        {"[FormSet Other]\nGuid = {11111111-2222-3333-4444-555555555556}\nGoto = form=1\n", L"board.ini(16): Goto stands outside a form"},
        {"Option = value=1\n", L"board.ini(14): an Option must follow a OneOf"},
        {"OneOf = offset=0\nEndIf\nOption = value=1\n", L"board.ini(16): an Option must follow"},
        {"CheckBox = offset=0x1F width=2\n", L"board.ini(14): the value at offset 31 (2 bytes) ends past the 32 bytes of the store \"Setup\""},
        {"OneOf = offset=4 width=2\nCheckBox = offset=5\n", L"board.ini(15): the value at offset 5 (1 byte) in the store \"Setup\" overlaps the one on line 14"},
        {"OneOf = offset=4 uqi=0x1 prompt=\"A\"\nForm = id=2\nOneOf = offset=4 uqi=0x1 prompt=\"B\"\n", L"board.ini(16): the value at offset 4"},
        {"OneOf = offset=4 uqi=0x1 prompt=\"A\" default=1\nForm = id=2\nOneOf = offset=4 uqi=0x1 prompt=\"A\" default=2\n",
            L"board.ini(16): this repeats the question on line 14 with another default"},
        {"Byte = offset=4 value=1\nCheckBox = offset=4\n", L"board.ini(15): the value at offset 4"},
        {"Select = store=SystemPassword\nPassword = offset=0 width=16\nPassword = offset=8 width=16\n",
            L"board.ini(16): the value at offset 8 (16 bytes) in the store \"SystemPassword\" overlaps the one on line 15"},
        {"Select = store=Nobody\n", L"board.ini(14): Select names the store \"Nobody\""},
        {"SuppressIf = EqVarVal 1 0 Or EqIdVal 0x20 1\n", L"board.ini(14): EqIdVal needs 3 numbers"},
        {"GrayoutIf = EqVarVal 1\n", L"board.ini(14): EqVarVal needs 2 numbers"},
        {"SuppressIf = EqIdList 0x20 1\n", L"board.ini(14): EqIdList needs 3 numbers"},
        {"SuppressIf = Maybe\n", L"board.ini(14): unknown condition word \"Maybe\""},
        {"Stores = Setup, Elsewhere\n", L"board.ini(14): \"Stores\" names \"Elsewhere\", which no [Store] section defines"},
        {"Languages = eng, english\n", L"board.ini(14): \"Languages\" must list language names of 1 to 4 letters"},
        {"Goto = form=1 prompt=\"" + many + "\"\n" + gotos, L"board.ini(65547): the form set \"Main\" has more than 65,535 strings"},
        {"[Store Setup]\nId = 3\n", L"board.ini(14): the store \"Setup\" is defined twice (first on line 3)"},
        {"[Store Third]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 2\n", L"board.ini(14): the store \"Third\" has the id 2 of the store on line 7"},
        {"[Store Fourth]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\n", L"board.ini(14): the store \"Fourth\" has no \"Id\""},
        {"[Variable Setup]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nHex = 00\n", L"board.ini(14): [Variable Setup] cannot be given with form sets"},
        {"[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nPlatformValue = 1 1\nRecord = 3 00\n",
            L"board.ini(17): \"Record = 3\" cannot be given with \"PlatformValue\""},
        {"[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nRecord = 4 00 00\nDoNotShow = 1\n",
            L"board.ini(17): \"DoNotShow\" cannot be given with \"Record = 4\""},
        {"[Variable Other]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nPlatformValue = 1 1\n",
            L"board.ini(16): \"PlatformValue\" belongs in [Variable QrvDataVar]"},
        {"[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nPlatformValue = 1\n",
            L"board.ini(16): \"PlatformValue\" must be a 16-bit variable id and a 16-bit value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.substr(0, 80));
        ExpectProfileError(STORES_AND_FORM + c.lines, c.expected);
    }
    ExpectProfileError("[Board]\nCapacity = 65536\nExportDb = db.bin\n" + STORES_AND_FORM.substr(25),
        L"board.ini(3): \"ExportDb\" cannot be given with form sets", {{L"db.bin", {0, 0}}});
    // The same question repeated on another form, with other options, is one question.
    StoreImage image;
    std::string repeated = STORES_AND_FORM + "OneOf = offset=4 uqi=0x1 prompt=\"A\"\nOption = value=1 text=\"x\"\n"
                                             "Form = id=2\nOneOf = offset=4 uqi=0x1 prompt=\"A\"\nOption = value=2 text=\"y\"\n";
    EXPECT_TRUE(ParseProfile(repeated, image).Ok());
}

TEST(SetupDb, EveryTruncationOfADatabaseIsReportedAsDamage)
{
    setup::CompiledSetup compiled;
    setup::SetupError error;
    ASSERT_TRUE(setup::CompileSetupProfile(SMALLEST, compiled, error));
    setupdb::SetupDbDump whole = setupdb::DecodeSetupDatabase(compiled.database);
    ASSERT_FALSE(whole.damaged) << whole.damage;
    EXPECT_EQ(setupdb::SummaryLine(whole.counts),
        "tables 1, forms 1, questions 1 (one-of 0, check-box 1, numeric 0, ordered-list 0, password 0), references 0");
    for (size_t length = 0; length < compiled.database.size(); ++length) {
        std::vector<uint8_t> cut(compiled.database.begin(), compiled.database.begin() + length);
        setupdb::SetupDbDump dump = setupdb::DecodeSetupDatabase(cut);
        ASSERT_TRUE(dump.damaged) << "cut at " << length;
        EXPECT_EQ(dump.damage.rfind("damaged at offset ", 0), 0u) << dump.damage;
    }
    // An opcode of length 0 in the forms pack (its first, at 18 + 46 + 6) ends the walk.
    std::vector<uint8_t> zero = compiled.database;
    zero[18 + 46 + 6 + 1] = 0;
    setupdb::SetupDbDump dump = setupdb::DecodeSetupDatabase(zero);
    EXPECT_EQ(dump.damage, "damaged at offset 70: opcode 0x0E has length 0, less than its own header");
    EXPECT_EQ(dump.lines.back(), "    forms:") << "what came before the damage is kept";
}

TEST(SetupDb, FwsimPrintsTheDamageOfATruncatedDatabaseAndFails)
{
    setup::CompiledSetup compiled;
    setup::SetupError error;
    ASSERT_TRUE(setup::CompileSetupProfile(SMALLEST, compiled, error));
    StoreImage image;
    image.capacity = 4096;
    image.exportDb.assign(compiled.database.begin(), compiled.database.begin() + 200);
    BoardFixture board;
    board.Create(image);
    std::wstring output = board.Folder().File(L"dump.txt");
    EXPECT_EQ(RunProgram(L"fwsim.exe setupdb", L"", output), 1u);
    std::string text = ReadTextFile(output);
    EXPECT_NE(text.find("table 0: handle 1, package {11111111-2222-3333-4444-555555555555}, 320 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("damaged at offset 36: table 0: its size 320 is smaller than its header or passes the end"), std::string::npos)
        << text;
    EXPECT_EQ(RunProgram(L"fwsim.exe setupdb --summary", L"", output), 1u);
    EXPECT_EQ(ReadTextFile(output).find("tables"), std::string::npos) << "no counts of a damaged database";
}
