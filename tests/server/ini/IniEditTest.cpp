// Editing: where new entries, sections and comments go, what is refused, and how sections
// are deleted.
#include "LogWatch.h"
#include "TestSupport.h"

#include "frame/ResultCodes.h"
#include "ini/IniParser.h"

#include <gtest/gtest.h>

namespace {

std::string Written(const CIniParser& parser)
{
    std::string bytes;
    EXPECT_EQ(S_OK, parser.BuildFileBytes(&bytes));
    return bytes;
}

std::wstring Get(CIniParser& parser, const wchar_t* section, const wchar_t* keyword)
{
    std::wstring value;
    parser.GetProfileStr(section, keyword, &value, L"");
    return value;
}

const char* kFile = "; head\r\n"
                    "[A]\r\n"
                    "k=1\r\n"
                    "; about A\r\n"
                    "\r\n"
                    "[B]\r\n"
                    "x=2\r\n";

} // namespace

TEST(IniParserEdit, ChangedValueStaysOnItsLine)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile(kFile));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"a", L"K", L"changed"));
    EXPECT_EQ("; head\r\n[A]\r\nk=changed\r\n; about A\r\n\r\n[B]\r\nx=2\r\n", Written(parser));
}

TEST(IniParserEdit, NewKeywordGoesAfterTheLastLineOfItsSection)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile(kFile));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"A", L"n1", L"a"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"A", L"n2", L"b"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"B", L"y", L"3"));
    EXPECT_EQ("; head\r\n[A]\r\nk=1\r\n; about A\r\n\r\nn1=a\r\nn2=b\r\n[B]\r\nx=2\r\ny=3\r\n", Written(parser));
    EXPECT_EQ(L"b", Get(parser, L"A", L"N2"));
}

TEST(IniParserEdit, NewSectionGoesAtTheEnd)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.SetProfileString(L"System", L"INIversion", L"2.9"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"[Config.info]", L"Count", L"0"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"System", L"Extra", L"1"));
    EXPECT_EQ("[System]\r\nINIversion=2.9\r\nExtra=1\r\n[Config.info]\r\nCount=0\r\n", Written(parser));
    std::vector<std::wstring> names;
    ASSERT_EQ(S_OK, parser.GetSectionNames(&names));
    EXPECT_EQ((std::vector<std::wstring>{L"System", L"[Config.info]"}), names);
}

TEST(IniParserEdit, EntriesThatWouldNotReadBackAreRefused)
{
    LogWatch log;
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile(kFile));
    const std::string before = Written(parser);
    EXPECT_EQ(S_OK, parser.SetProfileString(L"A", L"k", std::wstring(147, L'v')));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"A", L"k", std::wstring(148, L'v')));
    EXPECT_TRUE(log.Saw(L"at most 149 bytes"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"A", L"k", L"1"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"A", L"k", L"two\r\nlines"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"A", L"", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"A", L"a=b", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"A", L";k", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"N=1", L"k", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"a]b", L"k", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"[open", L"k", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"  ", L"k", L"v"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(L"A", L"k", L"snow \u2603"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileString(std::wstring(148, L's'), L"k", L"v"));
    EXPECT_EQ(before, Written(parser));
}

TEST(IniParserEdit, CommentsGoAfterTheSectionAndAreCutToOneLine)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile(kFile));
    ASSERT_EQ(S_OK, parser.SetProfileComment(L"A", L";   Token name"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"A", L"after", L"1"));
    ASSERT_EQ(S_OK, parser.SetProfileComment(L"A", L"; " + std::wstring(200, L'd')));
    EXPECT_EQ("; head\r\n[A]\r\nk=1\r\n; about A\r\n\r\n;   Token name\r\nafter=1\r\n; " + std::string(147, 'd') +
                  "\r\n[B]\r\nx=2\r\n",
              Written(parser));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileComment(L"A", L"a=b"));
    EXPECT_EQ(E_INVALIDARG, parser.SetProfileComment(L"A", L"; two\nlines"));
    EXPECT_EQ(E_FAIL, parser.SetProfileComment(L"Missing", L"; c"));
}

TEST(IniParserEdit, DeleteSectionRemovesEveryMatchWithItsLines)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("; head\r\n"
                                     "[System]\r\nINIversion=2.9\r\n"
                                     "[SETTING_0012]\r\nValue=1\r\n; desc\r\n\r\n"
                                     "[Other]\r\no=1\r\n"
                                     "[SETTING_0034]\r\nValue=2\r\n"
                                     "[setting_0056]\r\nValue=3\r\n"));
    ASSERT_EQ(S_OK, parser.DeleteSection(L"SETTING_"));
    EXPECT_EQ("; head\r\n[System]\r\nINIversion=2.9\r\n[Other]\r\no=1\r\n[setting_0056]\r\nValue=3\r\n", Written(parser));
    EXPECT_EQ(L"", Get(parser, L"SETTING_0012", L"Value"));
    EXPECT_EQ(L"3", Get(parser, L"SETTING_0056", L"Value"));
    // New entries still go to the right place after the deletion.
    ASSERT_EQ(S_OK, parser.SetProfileString(L"System", L"New", L"n"));
    EXPECT_EQ("; head\r\n[System]\r\nINIversion=2.9\r\nNew=n\r\n[Other]\r\no=1\r\n[setting_0056]\r\nValue=3\r\n",
              Written(parser));
    EXPECT_EQ(E_INVALIDARG, parser.DeleteSection(L""));
}

TEST(IniParserEdit, DeletingTheFirstOfTwoSectionsUncoversTheSecond)
{
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile("[Image1]\r\nk=first\r\n[IMAGE1]\r\nk=second\r\n"));
    ASSERT_EQ(S_OK, parser.DeleteSection(L"Image1"));
    EXPECT_EQ(L"second", Get(parser, L"image1", L"k"));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"Image1", L"k", L"changed"));
    EXPECT_EQ("[IMAGE1]\r\nk=changed\r\n", Written(parser));
}
