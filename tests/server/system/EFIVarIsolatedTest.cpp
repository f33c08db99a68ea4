// CEFIVar where "qrvefivar.dll" cannot serve: missing altogether, or a library of that
// name without the exports.
#include "system/EFIVar.h"

#include "LogWatch.h"
#include "TestSupport.h"

namespace {

class EFIVarUnavailable : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }
};

} // namespace

#ifndef EFIVAR_STUB_DLL

TEST_F(EFIVarUnavailable, EveryOperationAnswersDllNotLoaded)
{
    LogWatch log;
    CEFIVar efiVar;
    EXPECT_FALSE(CEFIVar::IsDLLLoaded());
    EXPECT_TRUE(log.Has("Error", "Not able to load the DLL"));

    ULONG attributes = 0, size = 0;
    BYTE byte = 0;
    BYTE* buffer = nullptr;
    std::vector<BYTE> data;
    const std::wstring expected = L"Not able to load the qrvefivar.dll DLL.";
    ClearErrorInfo();
    EXPECT_EQ(efiVar.GetVariable(L"FirmwareId", &VendorGuid::FirmwareId, &attributes, &size, nullptr),
        ResultCode::E_EFIVAR_DLL_NOT_LOADED);
    EXPECT_EQ(TakeErrorDescription(), expected);
    size = 1;
    EXPECT_EQ(efiVar.SetVariable(L"FirmwareId", &VendorGuid::FirmwareId, &attributes, &size, &byte),
        ResultCode::E_EFIVAR_DLL_NOT_LOADED);
    EXPECT_EQ(TakeErrorDescription(), expected);
    EXPECT_EQ(efiVar.GetExportDb(&size, nullptr), ResultCode::E_EFIVAR_DLL_NOT_LOADED);
    EXPECT_EQ(TakeErrorDescription(), expected);
    EXPECT_EQ(efiVar.AllocateAndGetVariable(L"Setup", &VendorGuid::Setup, &attributes, &size, &buffer),
        ResultCode::E_EFIVAR_DLL_NOT_LOADED);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(efiVar.ReadVariable(L"Setup", &VendorGuid::Setup, data), ResultCode::E_EFIVAR_DLL_NOT_LOADED);
    EXPECT_EQ(efiVar.ReadExportDatabase(data), E_FAIL);
}

TEST_F(EFIVarUnavailable, LoadIsRetriedOnlyAfterAllInstancesEnded)
{
    {
        CEFIVar first;
        int loadsBefore = CEFIVar::LoadCount();
        CEFIVar second;
        EXPECT_EQ(CEFIVar::InstanceCount(), 2);
        EXPECT_EQ(CEFIVar::LoadCount(), loadsBefore);
    }
    EXPECT_EQ(CEFIVar::InstanceCount(), 0);
    EXPECT_FALSE(CEFIVar::IsDLLLoaded());
}

#else

TEST_F(EFIVarUnavailable, MissingExportsFailEachCallWithEFail)
{
    LogWatch log;
    CEFIVar efiVar;
    ASSERT_TRUE(CEFIVar::IsDLLLoaded());
    ULONG attributes = 0, size = 0;
    ClearErrorInfo();
    EXPECT_EQ(efiVar.GetVariable(L"Setup", &VendorGuid::Setup, &attributes, &size, nullptr), E_FAIL);
    EXPECT_TRUE(log.Has("Error", "Failure in GetProcAddress for EFIVar.dll GetVariable()"));
    EXPECT_EQ(TakeErrorDescription(), L"An internal error has occurred.");
    EXPECT_EQ(efiVar.SetVariable(L"Setup", &VendorGuid::Setup, &attributes, &size, nullptr), E_FAIL);
    EXPECT_TRUE(log.Has("Error", "Failure in GetProcAddress for EFIVar.dll SetVariable()"));
    EXPECT_EQ(efiVar.GetExportDb(&size, nullptr), E_FAIL);
    EXPECT_TRUE(log.Has("Error", "Failure in GetProcAddress for EFIVar.dll GetExportDb()"));
}

#endif
