// The diagnostics log as switched by "Preferences.ini": each case runs logprobe in a
// folder of its own and reads what it wrote, as every test reads the log (LogWatch.h).
#include "LogWatch.h"
#include "TestSupport.h"

#include <string>
#include <vector>

namespace {

struct ProbeRun {
    DWORD exitCode = kNotStarted;
    std::string output;
};

ProbeRun RunProbe(const std::wstring& folder, const wchar_t* argument = nullptr)
{
    ProbeRun run;
    const std::wstring outputPath = folder + L"\\probe-output.txt";
    std::wstring command = L"\"" + ProgramFolder() + L"\\logprobe.exe\"";
    if (argument) {
        command += L" " + std::wstring(argument);
    }
    run.exitCode = RunProgram(command, folder, outputPath);
    std::string text;
    ReadTextFile(outputPath, text);
    ::DeleteFileW(outputPath.c_str());
    for (char character : text) {
        if (character != '\r') { // the probe's console output is text mode
            run.output += character;
        }
    }
    return run;
}

class DiagnosticsLogTest : public ::testing::Test {
protected:
    ProbeRun RunWith(const std::string& preferences)
    {
        EXPECT_TRUE(WriteTextFile(m_folder.File(L"Preferences.ini"), preferences));
        return RunProbe(m_folder.Path());
    }
    std::string Read(const wchar_t* name)
    {
        std::string text;
        EXPECT_TRUE(ReadTextFile(m_folder.File(name), text)) << "missing log file";
        return text;
    }
    bool Exists(const wchar_t* name) { return ::GetFileAttributesW(m_folder.File(name).c_str()) != INVALID_FILE_ATTRIBUTES; }

    TemporaryFolder m_folder;
};

TEST_F(DiagnosticsLogTest, WithoutPreferencesNothingIsWrittenAndNoEventFires)
{
    ProbeRun run = RunProbe(m_folder.Path());
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(run.output, "diagnostics errors: 0\n");
    EXPECT_FALSE(Exists(L"PellamWDiags.txt"));
    EXPECT_FALSE(Exists(L"Default"));
}

TEST_F(DiagnosticsLogTest, EnableIsTrueWithoutRegardToCaseAndYesLeavesItOff)
{
    RunWith("[Diagnostics]\r\nEnable=yes\r\nFilename=log.txt\r\n");
    EXPECT_FALSE(Exists(L"log.txt"));
    ProbeRun run = RunWith("[Diagnostics]\r\nEnable=TRUE\r\nDefaultMode=1\r\nFilename=log.txt\r\n");
    EXPECT_EQ(run.output, "diagnostics errors: 0\n");
    const std::string text = Read(L"log.txt");
    const std::vector<std::string> lines = LogLines(text);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "; PellamW Diagnostics file");
    EXPECT_EQ(lines[1], "; Vestra(R) Kelmora");
    EXPECT_EQ(lines[2].substr(0, 2), "; ");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Line #\tFile\tFunction\tTime\tType\tDescription\t");
    EXPECT_EQ(lines[6], "");

    const auto entries = LogEntries(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0][1], ".\\LogProbe.cpp");
    EXPECT_EQ(entries[0][2], "LogProbe::Main");
    EXPECT_GT(std::stoi(entries[0][0]), 0);
    EXPECT_NE(entries[0][3].find(", 20"), std::string::npos) << entries[0][3];
    EXPECT_EQ(entries[0][4], "Information");
    EXPECT_EQ(entries[0][5], "information entry 1");
    EXPECT_EQ(entries[1][4], "Warning");
    EXPECT_EQ(entries[1][5], "warning entry two");
    EXPECT_EQ(entries[2][4], "Error");
    EXPECT_EQ(entries[3][5], std::string(1023, 'x'));
}

// A reported failure is logged under the line that reports it, and a failure passed on by
// RETURN_IF_FAILED is recorded with its expression at the information level.
TEST_F(DiagnosticsLogTest, FailuresAreLoggedWhereTheyHappen)
{
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"Preferences.ini"),
                              "[Diagnostics]\r\nEnable=true\r\nDefaultMode=1\r\nFilename=log.txt\r\n"));
    ASSERT_EQ(RunProbe(m_folder.Path(), L"failures").exitCode, 0u);
    const auto entries = LogEntries(Read(L"log.txt"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0][1], ".\\LogProbe.cpp");
    EXPECT_EQ(entries[0][2], "LogProbe::Report");
    EXPECT_EQ(entries[0][4], "Error");
    EXPECT_EQ(entries[0][5], "line " + entries[0][0]);
    EXPECT_EQ(entries[1][1], ".\\LogProbe.cpp");
    EXPECT_EQ(entries[1][2], "Probe::PassOn");
    EXPECT_EQ(entries[1][4], "Information");
    EXPECT_EQ(entries[1][5], "Failure passed on: E_ACCESSDENIED returned 0x80070005");
}

TEST_F(DiagnosticsLogTest, ThresholdsByDefaultMode)
{
    RunWith("[Diagnostics]\r\nEnable=true\r\nDefaultMode=2\r\nFilename=two.txt\r\n");
    auto entries = LogEntries(Read(L"two.txt"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0][4], "Warning");

    RunWith("[Diagnostics]\r\nEnable=true\r\nDefaultMode=3\r\nFilename=three.txt\r\n");
    EXPECT_EQ(LogEntries(Read(L"three.txt")).size(), 2u);

    RunWith("[Diagnostics]\r\nEnable=true\r\nFilename=absent.txt\r\n");
    entries = LogEntries(Read(L"absent.txt"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0][4], "Error");
}

TEST_F(DiagnosticsLogTest, FileNameFromPreferences)
{
    RunWith("[Diagnostics]\r\nEnable=true\r\n");
    EXPECT_TRUE(Exists(L"Default"));
    RunWith("[Diagnostics]\r\nEnable=true\r\nFilename=\r\n");
    EXPECT_TRUE(Exists(L"PellamWDiags.txt"));
}

TEST_F(DiagnosticsLogTest, AnExistingLogIsAppendedToWithoutANewHeader)
{
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"old.txt"), "earlier\r\n"));
    RunWith("[Diagnostics]\r\nEnable=true\r\nFilename=old.txt\r\n");
    const std::string text = Read(L"old.txt");
    const auto entries = LogEntries(text, 1);
    EXPECT_EQ(text.substr(0, 9), "earlier\r\n");
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(text.find("; PellamW Diagnostics file"), std::string::npos);
}

TEST_F(DiagnosticsLogTest, ALogThatCannotBeOpenedFiresOnDiagnosticsErrorOnce)
{
    ProbeRun run = RunWith("[Diagnostics]\r\nEnable=true\r\nFilename=missing\\folder\\log.txt\r\n");
    ASSERT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "diagnostics errors: 1\n");
}

} // namespace
