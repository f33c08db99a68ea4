// Replacing a file on disk: the new text is complete beside the target before it takes the
// target's place, so a failure leaves the old file as it was and nothing else behind.
// Plain C++: runs in the native test program too, where the replacement is a rename.
#include "frame/ResultCodes.h"
#include "ini/IniParser.h"
#include "ini/IniReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> s_reports;

void RecordReport(int, unsigned, const std::wstring& text)
{
    s_reports.push_back(text);
}

class IniFileReplace : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = SetIniReportObserver(RecordReport);
        s_reports.clear();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder = std::filesystem::temp_directory_path() / ("ini-replace-" + std::to_string(stamp));
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        ASSERT_EQ(S_OK, parser.SetProfileString(L"S", L"k", L"v"));
    }
    void TearDown() override
    {
        SetIniReportObserver(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    static void Write(const std::filesystem::path& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static bool Reported(const std::wstring& part)
    {
        return std::any_of(s_reports.begin(), s_reports.end(),
                           [&](const std::wstring& text) { return text.find(part) != std::wstring::npos; });
    }

    std::filesystem::path folder;
    CIniParser parser;

private:
    IniReportObserver m_previous = nullptr;
};

TEST_F(IniFileReplace, TheNewTextTakesTheOldFilesPlaceAndNothingStaysBeside)
{
    const std::filesystem::path target = folder / "target.ini";
    Write(target, std::string(5000, 'z'));
    ASSERT_EQ(S_OK, parser.WriteINIFile(target.wstring()));
    ASSERT_EQ(S_OK, parser.WriteINIFile(target.wstring()));
    EXPECT_EQ("[S]\r\nk=v\r\n", Read(target));
    EXPECT_EQ(std::vector<std::string>{"target.ini"}, Names());
}

TEST_F(IniFileReplace, ATargetThatCannotBeReplacedStaysAsItWasWithoutATemporaryFile)
{
    // A folder holding a file: no file can take its place.
    const std::filesystem::path target = folder / "busy.ini";
    ASSERT_TRUE(std::filesystem::create_directory(target));
    Write(target / "inside.ini", "[Inside]\r\n");
    EXPECT_EQ(ResultCode::E_FILE_CREATE, parser.WriteINIFile(target.wstring()));
    EXPECT_TRUE(Reported(L"Not able to open file"));
    EXPECT_TRUE(Reported(L"cannot be replaced"));
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ("[Inside]\r\n", Read(target / "inside.ini"));
    EXPECT_EQ(std::vector<std::string>{"busy.ini"}, Names());
}

TEST_F(IniFileReplace, AReadOnlyTargetIsRefusedAndKeepsItsTextAndMark)
{
    using std::filesystem::perms;
    const std::filesystem::path target = folder / "kept.ini";
    Write(target, "[Kept]\r\nk=1\r\n");
    // Without write permission: on Windows the read-only attribute.
    std::filesystem::permissions(target, perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(ResultCode::E_FILE_CREATE, parser.WriteINIFile(target.wstring()));
    EXPECT_TRUE(Reported(L"it is read-only"));
    EXPECT_EQ("[Kept]\r\nk=1\r\n", Read(target));
    EXPECT_EQ(perms::none, std::filesystem::status(target).permissions() & perms::owner_write);
    EXPECT_EQ(std::vector<std::string>{"kept.ini"}, Names());

    std::filesystem::permissions(target, perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(S_OK, parser.WriteINIFile(target.wstring()));
    EXPECT_EQ("[S]\r\nk=v\r\n", Read(target));
}

} // namespace
