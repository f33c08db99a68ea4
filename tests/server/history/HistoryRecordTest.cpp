// The history's record as a line of JSON: everything written reads back the same, and every
// line that is not a whole, valid record is reported as damaged, never half-read.
#include "HistoryRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using history::FormatRecord;
using history::Item;
using history::ParseHistory;
using history::Record;

Record FullRecord()
{
    Record record;
    record.time = "2026-12-09T18:50:24Z";
    record.user = "CONTOSO\\admin";
    record.host = "C:\\Program Files\\Pellam\\pellam.exe";
    record.operation = "install";
    record.components = {"bios", "tokens"};
    record.file = "D:\\configs\\board \"A\".ini";
    record.sha256 = std::string(64, 'a');
    record.result = 0x80070005;
    record.resultName = "E_ACCESSDENIED";
    record.warnings = {"one token does not apply"};
    record.items = {{16, "01A2", "Boot order", "1", "2", "", false},
                    {16, "0100", "Administrator password", "old", "new", "", true},
                    {2, "SystemProductName", "Product", "", "Board", "applied", false}};
    record.refersTo = "2026-12-08T10:00:00Z";
    return record;
}

Record ParseOne(const std::string& line)
{
    const history::ParsedHistory parsed = ParseHistory(line);
    EXPECT_TRUE(parsed.damagedLines.empty()) << line;
    EXPECT_EQ(parsed.records.size(), 1u) << line;
    return parsed.records.empty() ? Record{} : parsed.records.front();
}

TEST(HistoryRecordFormat, IsOneLineOfEveryMemberThatReadsBackEqual)
{
    Record record = FullRecord();
    const std::string line = FormatRecord(record);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    for (const char* member : {"\"time\":", "\"user\":", "\"host\":", "\"operation\":", "\"components\":[",
                               "\"file\":", "\"sha256\":", "\"result\":\"0x80070005\"", "\"resultName\":",
                               "\"warnings\":[", "\"items\":[", "\"refersTo\":", "\"component\":16",
                               "\"status\":\"applied\"", "\"secret\":true"}) {
        EXPECT_NE(line.find(member), std::string::npos) << member;
    }
    record.items[1].before = record.items[1].after = std::string(history::kSecretValue);
    EXPECT_EQ(ParseOne(line), record);

    // An empty record still has every member.
    const std::string empty = FormatRecord(Record{});
    EXPECT_EQ(empty, "{\"time\":\"\",\"user\":\"\",\"host\":\"\",\"operation\":\"\",\"components\":[],\"file\":\"\","
                     "\"sha256\":\"\",\"result\":\"0x00000000\",\"resultName\":\"\",\"warnings\":[],\"items\":[],"
                     "\"refersTo\":\"\"}\n");
    EXPECT_EQ(ParseOne(empty), Record{});
}

TEST(HistoryRecordFormat, NeverWritesASecretsValues)
{
    Record record;
    record.items = {{16, "0100", "Password", "s3cret-before", "s3cret-after", "", true}};
    const std::string line = FormatRecord(record);
    EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
    EXPECT_NE(line.find("\"before\":\"changed\",\"after\":\"changed\""), std::string::npos) << line;
    // A line that claims a secret's values (not one we wrote) reads as we would write it.
    const Record read = ParseOne("{\"time\":\"\",\"user\":\"\",\"host\":\"\",\"operation\":\"\",\"components\":[],"
                                 "\"file\":\"\",\"sha256\":\"\",\"result\":\"0x00000000\",\"resultName\":\"\","
                                 "\"warnings\":[],\"items\":[{\"component\":16,\"key\":\"\",\"name\":\"\","
                                 "\"before\":\"x\",\"after\":\"y\",\"status\":\"\",\"secret\":true}],\"refersTo\":\"\"}");
    ASSERT_EQ(read.items.size(), 1u);
    EXPECT_EQ(read.items[0].before, "changed");
    EXPECT_EQ(read.items[0].after, "changed");
}

TEST(HistoryRecordFormat, AnyUtf8TextRoundTripsWithoutRawControlCharacters)
{
    std::string every;
    for (int byte = 0; byte < 0x80; ++byte) {
        every += static_cast<char>(byte);
    }
    // Two-, three- and four-byte sequences, the line separator, the last code point.
    every += "\xC3\xA9 \xE2\x82\xAC \xE2\x80\xA8 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF \xEF\xBF\xBF";
    Record record;
    record.user = every;
    record.warnings = {every, ""};
    record.items = {{1, every, every, every, every, every, false}};
    const std::string line = FormatRecord(record);
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        EXPECT_GE(static_cast<unsigned char>(line[i]), 0x20u) << "raw control character at " << i;
    }
    EXPECT_EQ(ParseOne(line), record);
}

TEST(HistoryRecordFormat, TextThatIsNotUtf8IsWrittenWithReplacementCharacters)
{
    Record record;
    // A lone continuation byte, a cut sequence, an overlong slash, an encoded surrogate, a lead byte past U+10FFFF.
    record.file = std::string("a\x80" "b\xE2\x82" "c\xC0\xAF" "d\xED\xA0\x80" "e\xF5\x80");
    const Record read = ParseOne(FormatRecord(record));
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(read.file, "a" + r + "b" + r + r + "c" + r + r + "d" + r + r + r + "e" + r + r);
    EXPECT_EQ(history::ValidUtf8(read.file), read.file);
}

// A valid line with `member` (a member and its value, e.g. "\"x\":1") put first.
std::string LineWith(const std::string& member)
{
    std::string line = FormatRecord(Record{});
    line.pop_back();
    return "{" + member + "," + line.substr(1);
}

TEST(HistoryRecordParse, ReadsEscapesAndSkipsMembersItDoesNotKnow)
{
    Record record = ParseOne(LineWith("\"newer\":{\"a\":[1,-2.5e+3,true,false,null,\"\\u00e9\",{}],\"b\":[]}"));
    EXPECT_EQ(record, Record{});

    std::string line = FormatRecord(Record{});
    line.pop_back();
    const std::string escaped = "\"\\ud83d\\ude00\\u00E9\\/\\b\\f\\u0000\\\"\"";
    line.replace(line.find("\"user\":\"\"") + 7, 2, escaped);
    record = ParseOne(line + "\n");
    EXPECT_EQ(record.user, std::string("\xF0\x9F\x98\x80\xC3\xA9/\b\f\0\"", 11));
    EXPECT_EQ(ParseOne(FormatRecord(record)), record);

    // Spaces between the tokens, as a person editing the file might leave them.
    EXPECT_EQ(ParseOne(" { \"time\" : \"t\" , " + line.substr(line.find("\"user\"")) + " "), ParseOne(
        "{\"time\":\"t\"," + line.substr(line.find("\"user\""))));
}

TEST(HistoryRecordParse, EveryLineThatIsNotAWholeValidRecordIsDamaged)
{
    const std::string good = FormatRecord(FullRecord());
    const std::string body = good.substr(0, good.size() - 1);
    // Every record cut short, as a crash during the write leaves it.
    for (size_t length = 0; length < body.size(); ++length) {
        const history::ParsedHistory parsed = ParseHistory(body.substr(0, length) + "\n" + good);
        EXPECT_EQ(parsed.damagedLines, std::vector<size_t>{1}) << length;
        EXPECT_EQ(parsed.records.size(), 1u) << length;
    }
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string line = body;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    const std::string damaged[] = {
        "not json", "[]", "{}", "null", body + "x", body + "}",
        replaced("\"time\":\"2026-12-09T18:50:24Z\"", "\"time\":20261209"),   // wrong types
        replaced("\"result\":\"0x80070005\"", "\"result\":2147942405"),
        replaced("\"result\":\"0x80070005\"", "\"result\":\"0x8007005\""),
        replaced("\"result\":\"0x80070005\"", "\"result\":\"0x8007000G\""),
        replaced("\"components\":[\"bios\",\"tokens\"]", "\"components\":\"bios\""),
        replaced("\"components\":[\"bios\",", "\"components\":[1,"),
        replaced("\"component\":16", "\"component\":1.5"),
        replaced("\"component\":16", "\"component\":01"),
        replaced("\"component\":16", "\"component\":2147483648"),
        replaced("\"secret\":false", "\"secret\":\"false\""),
        replaced(",\"refersTo\":\"2026-12-08T10:00:00Z\"", ""),               // a member missing
        replaced(",\"status\":\"\"", ""),
        replaced("\"user\":\"CONTOSO", "\"user\":\"x\",\"user\":\"CONTOSO"),   // a member twice
        replaced("CONTOSO", "CON\tTOSO"),                                     // a raw control character
        replaced("CONTOSO", "CON\xC3TOSO"),                                    // not UTF-8
        replaced("CONTOSO", "CON\\ud800TOSO"),                                // a lone surrogate
        replaced("CONTOSO", "CON\\udc00\\ud800TOSO"),
        replaced("CONTOSO", "CON\\xTOSO"),                                    // no such escape
        replaced("CONTOSO", "CON\\u12TOSO"),
        LineWith("\"newer\":" + std::string(100, '[') + std::string(100, ']')),  // nested too deep
        LineWith("\"newer\":tru"), LineWith("\"newer\":-"), LineWith("\"newer\":1."), LineWith("\"newer\":[1,]"),
        "",
    };
    std::string text;
    for (const std::string& line : damaged) {
        text += good + line + "\r\n";
    }
    const history::ParsedHistory parsed = ParseHistory(text);
    std::vector<size_t> expected;
    for (size_t i = 0; i < std::size(damaged); ++i) {
        expected.push_back(2 * i + 2);
    }
    EXPECT_EQ(parsed.damagedLines, expected);
    EXPECT_EQ(parsed.records.size(), std::size(damaged));

    // Nesting just inside the limit is still read.
    EXPECT_EQ(ParseHistory(LineWith("\"newer\":" + std::string(31, '[') + std::string(31, ']'))).records.size(), 1u);
}

TEST(HistoryRecordParse, IgnoresAnEmptyLastLineAndAcceptsCrLf)
{
    const std::string line = FormatRecord(FullRecord());
    EXPECT_EQ(ParseHistory(line + line).records.size(), 2u);
    std::string crlf = line;
    crlf.insert(crlf.size() - 1, "\r");
    const history::ParsedHistory parsed = ParseHistory(crlf + line.substr(0, line.size() - 1));
    EXPECT_TRUE(parsed.damagedLines.empty());
    EXPECT_EQ(parsed.records.size(), 2u);
    EXPECT_TRUE(ParseHistory("").records.empty());
    EXPECT_TRUE(ParseHistory("").damagedLines.empty());
}

} // namespace
