// Reading: how lines are classified, how names and values are compared and returned, and
// that an unchanged file is written back as it was read.
#include "LogWatch.h"
#include "TestSupport.h"

#include "frame/ResultCodes.h"
#include "ini/IniParser.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::wstring Get(CIniParser& parser, const wchar_t* section, const wchar_t* keyword, HRESULT expected = S_OK)
{
    std::wstring value = L"<unset>";
    EXPECT_EQ(expected, parser.GetProfileStr(section, keyword, &value, L""));
    return value;
}

std::string Written(const CIniParser& parser)
{
    std::string bytes;
    EXPECT_EQ(S_OK, parser.BuildFileBytes(&bytes));
    return bytes;
}

std::vector<std::wstring> LineTexts(const CIniParser& parser)
{
    std::vector<std::wstring> texts;
    for (const CIniLine& line : parser.GetLines()) {
        texts.push_back(line.GetText());
    }
    return texts;
}

} // namespace

TEST(IniParserRead, KeywordBeforeFirstSectionFailsTheWholeLoad)
{
    LogWatch log;
    CIniParser parser;
    EXPECT_EQ(E_FAIL, parser.ParseFile("k=v\r\n[S]\r\na=b\r\n"));
    EXPECT_FALSE(parser.IsLoaded());
    EXPECT_TRUE(parser.GetLines().empty());
    EXPECT_TRUE(log.Saw(L"Not able to add the keyword and value to the list"));
    // Comments and an empty keyword before the first section are no keyword lines.
    CIniParser tolerant;
    EXPECT_EQ(S_OK, tolerant.ParseFile("; header\r\n=orphan\r\n\r\n[S]\r\na=b\r\n"));
    EXPECT_EQ(L"b", Get(tolerant, L"S", L"a"));
}

TEST(IniParserRead, QuotesAndTrailingBlanksOfValues)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\n"
                                     "quoted=\"Big Box\"   \r\n"
                                     "spaced= \"Big Box\"\r\n"
                                     "inner=a \"b\" c\r\n"
                                     "lone=\"\r\n"
                                     "empty=\r\n"
                                     "emptyquotes=\"\"\r\n"
                                     "nested=\"\"x\"\"  \r\n"));
    EXPECT_EQ(L"Big Box", Get(parser, L"S", L"quoted"));
    EXPECT_EQ(L" \"Big Box\"", Get(parser, L"S", L"spaced"));
    EXPECT_EQ(L"a \"b\" c", Get(parser, L"S", L"inner"));
    EXPECT_EQ(L"\"", Get(parser, L"S", L"lone"));
    EXPECT_EQ(L"", Get(parser, L"S", L"empty", ResultCode::S_INI_EMPTY_VALUE));
    EXPECT_EQ(L"", Get(parser, L"S", L"emptyquotes", ResultCode::S_INI_EMPTY_VALUE));
    // Quotes, then trailing blanks, then quotes once more: only one pair goes.
    EXPECT_EQ(L"\"x\"", Get(parser, L"S", L"nested"));
}

TEST(IniParserRead, LeadingBlanksOfKeywordsArePartOfThem)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\n key=1\r\n"));
    EXPECT_EQ(L"1", Get(parser, L"S", L" key"));
    Get(parser, L"S", L"key", ResultCode::S_INI_NO_KEYWORD);
}

TEST(IniParserRead, NamesCompareWithoutCaseQuotesOrTrailingBlanks)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[SYSTEM]\r\nINIversion=2.9\r\n[\"Quoted\"]\r\n\"Key\"  =q\r\n[Pad  ]\r\nk=p\r\n"));
    EXPECT_EQ(L"2.9", Get(parser, L"system", L"iniversion"));
    EXPECT_EQ(L"2.9", Get(parser, L"System  ", L"\"INIVERSION\""));
    EXPECT_EQ(L"q", Get(parser, L"quoted", L"key"));
    EXPECT_EQ(L"p", Get(parser, L"Pad", L"K"));
    // Non-ASCII letters are compared exactly: folding them would depend on the locale.
    EXPECT_EQ(L"<unset>", Get(parser, L"SYSTEM\u00C4", L"INIversion", ResultCode::S_INI_NO_SECTION));
}

TEST(IniParserRead, MissingSectionOrKeywordGivesTheDefault)
{
    LogWatch log;
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\nk=v\r\n"));
    std::wstring value = L"old";
    EXPECT_EQ(ResultCode::S_INI_NO_SECTION, parser.GetProfileStr(L"T", L"k", &value, L"dflt"));
    EXPECT_EQ(L"dflt", value);
    EXPECT_TRUE(log.Saw(L"The specified section is not present"));
    EXPECT_EQ(ResultCode::S_INI_NO_KEYWORD, parser.GetProfileStr(L"S", L"x", &value, L"other"));
    EXPECT_EQ(L"other", value);
    value = L"kept";
    EXPECT_EQ(ResultCode::S_INI_NO_KEYWORD, parser.GetProfileStr(L"S", L"x", &value, L""));
    EXPECT_EQ(L"kept", value);
    EXPECT_EQ(E_POINTER, parser.GetProfileStr(L"S", L"k", nullptr, L""));
}

TEST(IniParserRead, DuplicateKeywordsKeepTheFirstAndRaiseTheFlag)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[A]\r\nValue=1\r\nVALUE=2\r\n[B]\r\nValue=3\r\n"));
    EXPECT_EQ(L"1", Get(parser, L"A", L"value"));
    long flag = -1;
    EXPECT_EQ(S_OK, parser.GetDuplicateKeyWordStatus(L"a", &flag));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(S_OK, parser.GetDuplicateKeyWordStatus(L"B", &flag));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(ResultCode::S_INI_NO_SECTION, parser.GetDuplicateKeyWordStatus(L"C", &flag));
    // Both entries are kept and written back.
    EXPECT_EQ("[A]\r\nValue=1\r\nVALUE=2\r\n[B]\r\nValue=3\r\n", Written(parser));
}

TEST(IniParserRead, FirstOfTwoSectionsWithOneNameAnswers)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[Dup]\r\nk=first\r\n[dup]\r\nk=second\r\nonly=2\r\n"));
    EXPECT_EQ(L"first", Get(parser, L"DUP", L"k"));
    Get(parser, L"DUP", L"only", ResultCode::S_INI_NO_KEYWORD);
    std::vector<std::wstring> names;
    ASSERT_EQ(S_OK, parser.GetSectionNames(&names));
    EXPECT_EQ((std::vector<std::wstring>{L"Dup", L"dup"}), names);
}

TEST(IniParserRead, BracketsAndInvalidLines)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\n[Open\r\n[x=y]\r\ngarbage\r\n]x[\r\n   \r\n\r\n; note\r\n"));
    EXPECT_EQ((std::vector<std::wstring>{L"", L";[Open\n", L"", L";garbage\n", L";]x[\n", L";   \n", L"\n", L"; note\n"}),
              LineTexts(parser));
    // A bracketed text with an equals sign is a keyword line.
    EXPECT_EQ(L"y]", Get(parser, L"S", L"[x"));
    EXPECT_EQ("[S]\r\n;[Open\r\n[x=y]\r\n;garbage\r\n;]x[\r\n;   \r\n\r\n; note\r\n", Written(parser));
}

TEST(IniParserRead, LongLinesAreReadInPiecesOf149Bytes)
{
    CIniParser parser;
    std::string longLine(300, 'x');
    std::string longValue(200, 'V');
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\n" + longLine + "\r\nk=" + longValue + "\r\n"));
    std::vector<std::wstring> texts = LineTexts(parser);
    ASSERT_EQ(6u, texts.size());
    EXPECT_EQ(L";" + std::wstring(149, L'x'), texts[1]);
    EXPECT_EQ(L";" + std::wstring(149, L'x'), texts[2]);
    EXPECT_EQ(L";xx\n", texts[3]);
    EXPECT_EQ(CIniLine::Kind_KeyWord, std::next(parser.GetLines().begin(), 4)->GetKind());
    EXPECT_EQ(std::wstring(147, L'V'), Get(parser, L"S", L"k"));
    EXPECT_EQ(L";" + std::wstring(53, L'V') + L"\n", texts[5]);
}

TEST(IniParserRead, LastLineWithoutLineFeed)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\nk=\"v\"   "));
    EXPECT_EQ(L"v", Get(parser, L"S", L"k"));
    EXPECT_EQ("[S]\r\nk=\"v\"   \r\n", Written(parser));
}

TEST(IniParserRead, EveryWrittenLineEndsSoNothingIsJoinedToIt)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\n" + std::string(160, 'x') + "\r\n[T]\r\nk=v\r\n[open"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"New", L"x", L"y"));
    std::string written = Written(parser);
    EXPECT_EQ("[S]\r\n;" + std::string(149, 'x') + "\r\n;" + std::string(11, 'x') + "\r\n[T]\r\nk=v\r\n;[open\r\n[New]\r\nx=y\r\n",
              written);
    CIniParser again;
    ASSERT_EQ(S_OK, again.ParseFile(written));
    EXPECT_EQ(L"y", Get(again, L"New", L"x"));
    EXPECT_EQ(L"v", Get(again, L"T", L"k"));
}

TEST(IniParserRead, UnchangedCrlfFileIsWrittenBackByteForByte)
{
    std::string file = "; configuration\r\n"
                       "\r\n"
                       "[System]   ; trailing note\r\n"
                       "INIversion=2.9\r\n"
                       "  Indented Key = spaced value   \r\n"
                       "Quoted=\"a b\"\r\n"
                       "\r\n"
                       "[Config.info]\r\n"
                       "Count=0\r\n"
                       ";" + std::string(147, 'c') + "\r\n"
                       "Long=" + std::string(143, 'L') + "\r\n"
                       "Tail=\xE9t\xE9\r\n";
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile(file));
    EXPECT_EQ(L" spaced value", Get(parser, L"System", L"  Indented Key "));
    EXPECT_EQ(file, Written(parser));
}

TEST(IniParserRead, InvalidLinesComeBackAsComments)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\nnot a setting\r\nk=v\r\n"));
    EXPECT_EQ("[S]\r\n;not a setting\r\nk=v\r\n", Written(parser));
}

TEST(IniParserRead, SecondLoadKeepsTheFirstFileUntilReset)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\nk=1\r\n"));
    EXPECT_EQ(ResultCode::S_INI_ALREADY_READ, parser.ParseFile("[S]\r\nk=2\r\n"));
    EXPECT_EQ(L"1", Get(parser, L"S", L"k"));
    parser.Reset();
    ASSERT_EQ(S_OK, parser.ParseFile("[S]\r\nk=2\r\n"));
    EXPECT_EQ(L"2", Get(parser, L"S", L"k"));
}

TEST(IniParserRead, FailedLoadLeavesNothingBehind)
{
    CIniParser parser;
    EXPECT_EQ(E_FAIL, parser.ParseFile("; c\r\n[S]\r\nk=1\r\nbad\0line\r\n"s));
    EXPECT_TRUE(parser.GetLines().empty());
    Get(parser, L"S", L"k", ResultCode::S_INI_NO_SECTION);
    EXPECT_EQ(S_OK, parser.ParseFile("[S]\r\nk=1\r\n"));
}
