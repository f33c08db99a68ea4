// The typed access layer: opening files with the folder and creation rules, numbers,
// booleans and prompt requests.
#include "LogWatch.h"
#include "TestSupport.h"

#include "frame/ResultCodes.h"
#include "ini/PellamParser.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path) : m_saved(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~CurrentDirectory() { std::filesystem::current_path(m_saved); }

private:
    std::filesystem::path m_saved;
};

class PellamParserValues : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, m_parser.Parser().ParseFile("[N]\r\n"
                                                     "zero=0\r\n"
                                                     "zeros=00\r\n"
                                                     "num=42abc\r\n"
                                                     "neg= -17\r\n"
                                                     "text=abc\r\n"
                                                     "empty=\r\n"
                                                     "big=2147483647\r\n"
                                                     "small=-2147483648\r\n"
                                                     "over=2147483648\r\n"
                                                     "[P]\r\n"
                                                     "full=$Prompt$,\"Enter the name\"  \r\n"
                                                     "blank=$PROMPT$, \"kept\"\r\n"
                                                     "comma=$PROMPT$,\r\n"
                                                     "bare=$PROMPT$\r\n"
                                                     "right=PROMPT$\r\n"
                                                     "left=x$prompt\r\n"
                                                     "later=a,b $PROMPT$,c\r\n"
                                                     "plain=Maker\r\n"));
    }

    long Long(const wchar_t* keyword, HRESULT expected)
    {
        long value = 12345;
        EXPECT_EQ(expected, m_parser.GetProfileLong(L"N", keyword, &value)) << keyword;
        return value;
    }

    std::wstring Prompt(const wchar_t* keyword, HRESULT expected)
    {
        std::wstring prompt = L"<unset>";
        EXPECT_EQ(expected, m_parser.GetPrompt(L"P", keyword, &prompt, L"Default prompt")) << keyword;
        return prompt;
    }

    CPellamParser m_parser;
};

} // namespace

TEST_F(PellamParserValues, GetProfileLongReadsLeadingDecimalDigits)
{
    EXPECT_EQ(0, Long(L"zero", S_OK));
    EXPECT_EQ(0, Long(L"zeros", S_OK));
    EXPECT_EQ(42, Long(L"num", S_OK));
    EXPECT_EQ(-17, Long(L"neg", S_OK));
    EXPECT_EQ(2147483647L, Long(L"big", S_OK));
    EXPECT_EQ(-2147483647L - 1, Long(L"small", S_OK));
    EXPECT_EQ(0, Long(L"text", ResultCode::S_INI_NOT_NUMBER));
    EXPECT_EQ(0, Long(L"empty", ResultCode::S_INI_NOT_NUMBER));
    // Too large for 32 bits is no number, not a silently clamped one.
    EXPECT_EQ(0, Long(L"over", ResultCode::S_INI_NOT_NUMBER));
    LogWatch log;
    EXPECT_EQ(0, Long(L"absent", ResultCode::S_INI_NO_KEYWORD));
    EXPECT_TRUE(log.Saw(L"Section or keyword not found"));
    long value = 1;
    EXPECT_EQ(ResultCode::S_INI_NO_SECTION, m_parser.GetProfileLong(L"X", L"zero", &value));
    EXPECT_EQ(E_POINTER, m_parser.GetProfileLong(L"N", L"zero", nullptr));
}

TEST_F(PellamParserValues, GetPromptRecognisesPromptRequests)
{
    EXPECT_EQ(L"Enter the name", Prompt(L"full", S_OK));
    // As with values, a blank before the quotes keeps them.
    EXPECT_EQ(L" \"kept\"", Prompt(L"blank", S_OK));
    EXPECT_EQ(L"Default prompt", Prompt(L"comma", S_OK));
    EXPECT_EQ(L"Default prompt", Prompt(L"bare", S_OK));
    EXPECT_EQ(L"Default prompt", Prompt(L"right", S_OK));
    EXPECT_EQ(L"Default prompt", Prompt(L"left", S_OK));
    EXPECT_EQ(L"c", Prompt(L"later", S_OK));
    LogWatch log;
    EXPECT_EQ(L"", Prompt(L"plain", ResultCode::S_INI_NO_PROMPT));
    EXPECT_TRUE(log.Saw(L"Prompt not found"));
    EXPECT_EQ(L"", Prompt(L"absent", ResultCode::S_INI_NO_KEYWORD));
}

TEST_F(PellamParserValues, SetProfileLongAndBoolWriteText)
{
    ASSERT_EQ(S_OK, m_parser.SetProfileLong(L"N", L"zero", -5));
    ASSERT_EQ(S_OK, m_parser.SetProfileBool(L"T", L"Lock", true));
    ASSERT_EQ(S_OK, m_parser.SetProfileBool(L"T", L"Hide", false));
    std::wstring value;
    m_parser.GetProfileStr(L"N", L"zero", &value, L"");
    EXPECT_EQ(L"-5", value);
    m_parser.GetProfileStr(L"T", L"Lock", &value, L"");
    EXPECT_EQ(L"TRUE", value);
    m_parser.GetProfileStr(L"T", L"Hide", &value, L"");
    EXPECT_EQ(L"FALSE", value);
    LogWatch log;
    EXPECT_EQ(E_INVALIDARG, m_parser.SetProfileLong(L"N", L"a=b", 1));
    EXPECT_TRUE(log.Saw(L"Failed to set profile string"));
    EXPECT_EQ(E_INVALIDARG, m_parser.SetProfileComment(L"N", L"no semicolon"));
    EXPECT_TRUE(log.Saw(L"Failed to set profile comment"));
    EXPECT_EQ(E_INVALIDARG, m_parser.DeleteSection(L""));
    EXPECT_TRUE(log.Saw(L"Failed to delete INI section(s)"));
}

TEST(PellamParserFile, FolderAndCreationRules)
{
    TemporaryFolder folder;
    LogWatch log;
    CPellamParser missingFolder;
    EXPECT_EQ(ResultCode::E_INVALID_INI_DIRECTORY, missingFolder.ReadINIFile(folder.File(L"nowhere\\a.ini"), true));
    EXPECT_EQ(TakeErrorDescription(), L"An invalid INI directory was specified.");
    CPellamParser missingFile;
    EXPECT_EQ(ResultCode::E_INVALID_FILE_NAME, missingFile.ReadINIFile(folder.File(L"absent.ini"), false));
    EXPECT_EQ(TakeErrorDescription(), L"An invalid INI filename was specified.");
    EXPECT_FALSE(std::filesystem::exists(folder.File(L"absent.ini")));
    EXPECT_EQ(ResultCode::E_INVALID_FILE_NAME, missingFile.ReadINIFile(L"", true));
    EXPECT_EQ(ResultCode::E_INVALID_FILE_NAME, missingFile.ReadINIFile(folder.Path(), true));
    // A device name is refused, not read from (which would wait for the console).
    EXPECT_TRUE(FAILED(missingFile.ReadINIFile(L"CON", true)));

    CPellamParser created;
    ASSERT_EQ(S_OK, created.ReadINIFile(folder.File(L"new.ini"), true));
    EXPECT_FALSE(std::filesystem::exists(folder.File(L"new.ini"))) << "made when it is written";
    ASSERT_EQ(S_OK, created.SetProfileString(L"System", L"INIversion", L"2.9"));
    ASSERT_EQ(S_OK, created.WriteINIFile(folder.File(L"new.ini")));
    EXPECT_EQ("[System]\r\nINIversion=2.9\r\n", ReadTextFile(folder.File(L"new.ini")));
    EXPECT_EQ(ResultCode::S_INI_ALREADY_READ, created.ReadINIFile(folder.File(L"new.ini"), false));
}

TEST(PellamParserFile, BareNameIsTakenFromTheCurrentDirectory)
{
    TemporaryFolder folder;
    WriteTextFile(folder.File(L"here.ini"), "[S]\r\nk=v\r\n");
    CurrentDirectory inFolder(folder.Path());
    CPellamParser parser;
    ASSERT_EQ(S_OK, parser.ReadINIFile(L"here.ini", false));
    EXPECT_EQ(folder.Path() + L"\\here.ini", parser.Parser().GetPath());
    std::wstring value;
    EXPECT_EQ(S_OK, parser.GetProfileStr(L"S", L"k", &value, L""));
    EXPECT_EQ(L"v", value);
}

TEST(PellamParserFile, UnreadableFileGivesTheReadFailure)
{
    TemporaryFolder folder;
    WriteTextFile(folder.File(L"bad.ini"), "k=v\r\n[S]\r\n");
    LogWatch log;
    CPellamParser parser;
    EXPECT_EQ(ResultCode::E_INI_READ, parser.ReadINIFile(folder.File(L"bad.ini"), false));
    EXPECT_EQ(TakeErrorDescription(), L"An error occurred while reading the INI file.   Verify that the file is not invalid, corrupt, or set to read-only.");
    EXPECT_TRUE(log.Saw(L"Failure occurred in ReadINIFile"));
}
