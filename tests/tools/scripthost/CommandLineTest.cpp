#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineTest, DropsHostSwitchesAndKeepsScriptArgumentsInOrder)
{
    const auto parsed = ParseHostCommandLine({L"//nologo", L"test.vbs", L"/x", L"//B", L"two words", L""});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.scriptPath, L"test.vbs");
    EXPECT_EQ(parsed.scriptArguments, (std::vector<std::wstring>{L"/x", L"two words", L""}));
}

TEST(CommandLineTest, NeedsAScript)
{
    EXPECT_FALSE(ParseHostCommandLine({}).ok);
    EXPECT_FALSE(ParseHostCommandLine({L"//nologo"}).ok);
    EXPECT_FALSE(ParseHostCommandLine({L"", L"test.vbs"}).ok);
}

TEST(CommandLineTest, ChoosesTheEngineByExtensionIgnoringCase)
{
    EXPECT_EQ(ScriptLanguageForPath(L"C:\\t\\a.vbs"), L"VBScript");
    EXPECT_EQ(ScriptLanguageForPath(L"A.VBS"), L"VBScript");
    EXPECT_EQ(ScriptLanguageForPath(L"a.Js"), L"JScript");
    EXPECT_EQ(ScriptLanguageForPath(L"a.json"), L"");
    EXPECT_EQ(ScriptLanguageForPath(L"a.vbs.txt"), L"");
    EXPECT_EQ(ScriptLanguageForPath(L"js"), L"");
}

}  // namespace
