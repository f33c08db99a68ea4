// Carried files, the clean-up and the resume value, against the real file system and
// registry of the test prefix.
#include "PayloadFiles.h"
#include "ResumeValue.h"
#include "WizardState.h"
#include "WorkFolder.h"

#include "Owners.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::vector<char> ReadBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadResumeValue(std::wstring& value, DWORD& type, DWORD& bytes)
{
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t buffer[600] = {};
    bytes = sizeof(buffer) - sizeof(wchar_t);
    if (::RegQueryValueExW(key.get(), L"RVN", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS) {
        return false;
    }
    value = buffer;
    return true;
}

void SetResumeValue(const wchar_t* text)
{
    UniqueHkey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), L"RVN", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                               static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// Runs each test in a fresh folder that stands for the work folder, and restores the
// current folder and the resume value afterwards.
class WizardFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::GetCurrentDirectoryW(MAX_PATH, m_saved);
        ASSERT_TRUE(::SetCurrentDirectoryW(m_folder.Path().c_str()));
        const std::wstring work = m_folder.Path() + L"\\";
        wcscpy_s(g_szWorkFolder, work.c_str());
        DeleteResumeValue();
    }
    void TearDown() override
    {
        DeleteResumeValue();
        ::SetCurrentDirectoryW(m_saved);
        g_szWorkFolder[0] = L'\0';
    }

    TemporaryFolder m_folder;
    wchar_t m_saved[MAX_PATH] = {};
};

} // namespace

TEST_F(WizardFiles, ExtractWritesTheResourceByteForByte)
{
    ASSERT_EQ(ExtractRawFile(120, L"out.bin"), 0u);
    const std::vector<char> written = ReadBytes(m_folder.File(L"out.bin"));
    EXPECT_EQ(written.size(), 70000u);
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(120), L"RAW_FILE");
    ASSERT_NE(info, nullptr);
    const auto* data = static_cast<const char*>(::LockResource(::LoadResource(nullptr, info)));
    EXPECT_EQ(written, std::vector<char>(data, data + ::SizeofResource(nullptr, info)));
}

TEST_F(WizardFiles, ExtractReplacesALongerFileCompletely)
{
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"out.bin"), std::string(100000, 'x')));
    ASSERT_EQ(ExtractRawFile(117, L"out.bin"), 0u);
    const std::vector<char> written = ReadBytes(m_folder.File(L"out.bin"));
    EXPECT_EQ(std::string(written.begin(), written.end()), "first carried file\r\n");
}

TEST_F(WizardFiles, AbsentResourceWritesAnEmptyFile)
{
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"bios.bio"), "an older image"));
    ASSERT_EQ(ExtractRawFile(125, L"bios.bio"), 0u);
    EXPECT_TRUE(Exists(m_folder.File(L"bios.bio")));
    EXPECT_TRUE(ReadBytes(m_folder.File(L"bios.bio")).empty());
}

TEST_F(WizardFiles, ExtractReportsAFileInUseAndLeavesIt)
{
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"busy.bin"), "kept"));
    UniqueFile holder(::CreateFileW(m_folder.File(L"busy.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(ExtractRawFile(117, L"busy.bin"), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    holder.reset();
    const std::vector<char> kept = ReadBytes(m_folder.File(L"busy.bin"));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept");
}

TEST_F(WizardFiles, ExtractToAMissingFolderFails)
{
    EXPECT_EQ(ExtractRawFile(117, L"no such folder\\out.bin"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(WizardFiles, DropWritesEveryLibraryAndDriverButNotTheDocumentsOrImage)
{
    DropPayloadFiles();
    EXPECT_EQ(ReadBytes(m_folder.File(L"PellamW.dll")).size(), 20u);
    EXPECT_EQ(ReadBytes(m_folder.File(L"qrvefivar.dll")).size(), 70000u);
    for (const wchar_t* name : {L"EfiCorvid.dll", L"Corvid.sys", L"corvid64.sys", L"PellamWRes.dll", L"Quillon.dll",
                                L"qrvvar.sys", L"qrvvar64.sys"}) {
        EXPECT_TRUE(Exists(m_folder.File(name))) << name;
        EXPECT_TRUE(ReadBytes(m_folder.File(name)).empty()) << name;
    }
    for (const wchar_t* name : {L"license.rtf", L"Readme.rtf", L"bios.bio"}) {
        EXPECT_FALSE(Exists(m_folder.File(name))) << name;
    }
}

TEST_F(WizardFiles, CleanUpDeletesCarriedFilesAndTheResumeValueOnly)
{
    DropPayloadFiles();
    ASSERT_EQ(ExtractRawFile(125, L"bios.bio"), 0u);
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"license.rtf"), "{\\rtf1 }"));
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"keep.txt"), "the user's own file"));
    SetResumeValue(L"\"C:\\Tolva.exe\" VERIFY");
    // One carried file is in use: it stays, the others still go.
    UniqueFile holder(::CreateFileW(m_folder.File(L"Quillon.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    ASSERT_TRUE(holder);
    // The clean-up may start from any current folder.
    ASSERT_TRUE(::SetCurrentDirectoryW(m_saved));

    CleanUpWorkFolder();

    holder.reset();
    for (const CarriedFile& file : CarriedFiles()) {
        if (std::wstring(file.name) != L"Quillon.dll") {
            EXPECT_FALSE(Exists(m_folder.File(file.name))) << file.name;
        }
    }
    EXPECT_TRUE(Exists(m_folder.File(L"Quillon.dll")));
    EXPECT_TRUE(Exists(m_folder.File(L"keep.txt")));
    std::wstring value;
    DWORD type = 0, bytes = 0;
    EXPECT_FALSE(ReadResumeValue(value, type, bytes));
}

TEST_F(WizardFiles, CleanUpWithoutAWorkFolderDeletesNoFiles)
{
    ASSERT_TRUE(WriteTextFile(m_folder.File(L"PellamW.dll"), "not ours to delete"));
    g_szWorkFolder[0] = L'\0';
    CleanUpWorkFolder();
    EXPECT_TRUE(Exists(m_folder.File(L"PellamW.dll")));
}

TEST_F(WizardFiles, ResumeValueHoldsTheQuotedProgramPathAndVerify)
{
    ASSERT_TRUE(WriteResumeValue());
    std::wstring value;
    DWORD type = 0, bytes = 0;
    ASSERT_TRUE(ReadResumeValue(value, type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value, L"\"" + ProgramPath() + L"\" VERIFY");
    EXPECT_EQ(bytes, (value.size() + 1) * sizeof(wchar_t));
    DeleteResumeValue();
    EXPECT_FALSE(ReadResumeValue(value, type, bytes));
}

TEST(WorkFolderMarker, FirstEnterSwitchesAndLeaveRestores)
{
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_FALSE(IsInWorkFolder());
    EnterWorkFolder();
    EXPECT_TRUE(IsInWorkFolder());
    wchar_t temporary[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temporary);
    EXPECT_STREQ(g_szWorkFolder, temporary);
    EXPECT_STREQ(g_szSavedFolder, before);
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current) + L"\\", std::wstring(temporary));
    // A second page built does not move the saved folder.
    ::SetCurrentDirectoryW(before);
    EnterWorkFolder();
    EXPECT_STREQ(g_szSavedFolder, before);
    LeaveWorkFolder();
    EXPECT_FALSE(IsInWorkFolder());
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_STREQ(current, before);
    g_szWorkFolder[0] = L'\0';
}
