// Error information for COM callers and the message library behind it.
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "MessageIds.h"
#include "TestSupport.h"

#include <ServerLib.h>

namespace {

constexpr wchar_t kFallback[] =
    L"An error occurred : Specific information could not be retrieved from application resources (PellamWRes.DLL)";

class ErrorInfoTest : public ComTest {};

TEST_F(ErrorInfoTest, MessagesComeFromTheMessageLibrary)
{
    std::wstring text;
    ASSERT_EQ(LoadMessageString(136, &text), S_OK);
    EXPECT_EQ(text, L"The specified operation is not supported in this version of the application.");
    ASSERT_EQ(LoadMessageString(151, &text), S_OK);
    EXPECT_EQ(text, L"Warning: This INI file was created by a newer version of Vestra(R)\n Kelmora. Any INI settings or "
                    L"values not recognized will be ignored.");
    ASSERT_EQ(LoadMessageString(212, &text), S_OK);
    EXPECT_NE(text.find(L"Its value before truncation was \"%s\".  After truncation it is \"%s\"."), std::wstring::npos);
    EXPECT_EQ(LoadMessageString(101, &text), ResultCode::E_MESSAGE_NOT_FOUND);
    EXPECT_EQ(LoadMessageString(136, nullptr), E_POINTER);
    for (UINT id = 102; id <= MSG_CONFIGURATION_INCOMPLETE; ++id) {
        EXPECT_EQ(LoadMessageString(id, &text), S_OK) << "message " << id;
    }
}

TEST_F(ErrorInfoTest, DescriptionIsFormattedFromTheMessageWithItsArguments)
{
    EXPECT_EQ(CErrorInfoManager::SetDescription(217u, L"splash.bmp"), S_OK);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  File splash.bmp not found.");
    EXPECT_EQ(CErrorInfoManager::SetDescription(L"%d items in %s", 3, L"list"), S_OK);
    EXPECT_EQ(TakeErrorDescription(), L"3 items in list");
}

TEST_F(ErrorInfoTest, UnknownMessageGivesTheFallbackText)
{
    EXPECT_EQ(CErrorInfoManager::SetDescription(9999u), S_OK);
    EXPECT_EQ(TakeErrorDescription(), kFallback);
}

TEST_F(ErrorInfoTest, TwoFailuresBeforeTheCallerReadsLeaveTheSecondDescriptionAndLastGuid)
{
    EXPECT_EQ(REPORT_FAILURE(L"ErrorInfoTest::First", LOG_ERROR, E_FAIL, Describe(IID_IConfigData, MSG_INTERNAL_ERROR),
                             L"first"),
              E_FAIL);
    EXPECT_EQ(REPORT_FAILURE(L"ErrorInfoTest::Second", LOG_ERROR, E_NOTIMPL,
                             Describe(IID_IToolkit, MSG_NOT_SUPPORTED_IN_VERSION), L"second"),
              E_NOTIMPL);
    GUID guid{};
    EXPECT_EQ(TakeErrorDescription(&guid), L"The specified operation is not supported in this version of the application.");
    EXPECT_EQ(guid, IID_IToolkit);
    // Reading cleared it.
    EXPECT_EQ(TakeErrorDescription(), L"<no error information>");
}

TEST_F(ErrorInfoTest, TheMessageLibraryIsReloadedAfterRelease)
{
    std::wstring text;
    ASSERT_EQ(LoadMessageString(113, &text), S_OK);
    UnloadMessageLibrary();
    ASSERT_EQ(LoadMessageString(113, &text), S_OK);
    EXPECT_EQ(text, L"BIOS");
}

std::wstring FileVersion(const std::wstring& path)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, data.data())
        || !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length)) {
        return L"<none>";
    }
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"."
        + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionLS));
}

TEST(VersionResourceTest, ServerAndMessageLibraryAre_1_4_1_130)
{
    EXPECT_EQ(FileVersion(ProgramFolder() + L"\\PellamW.dll"), L"1.4.1.130");
    EXPECT_EQ(FileVersion(ProgramFolder() + L"\\PellamWRes.dll"), L"1.4.1.130");
}

} // namespace
