// qrvefivar.dll as the server meets it: loaded by name, exports found by their plain names,
// the board named by FWSIM_STORE at the time of each call.
#include "BoardFixture.h"
#include "EfiStatus.h"
#include "TestBoards.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace fwstore;

namespace {

using GetVariableFn = uint32_t(__stdcall*)(const wchar_t*, const GUID*, uint32_t*, uint32_t*, void*);
using SetVariableFn = uint32_t(__stdcall*)(const wchar_t*, const GUID*, uint32_t*, uint32_t*, void*);
using GetExportDbFn = uint32_t(__stdcall*)(uint32_t*, void*);
using GetNextVariableNameFn = uint32_t(__stdcall*)(uint32_t*, wchar_t*, GUID*);
using ReadPhysicalMemoryFn = uint32_t(__stdcall*)(uint64_t, uint32_t*, void*);

class QrvEfiVarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryW(L"qrvefivar.dll");
        ASSERT_NE(m_module, nullptr);
        getVariable = Export<GetVariableFn>(m_module, "GetVariable");
        setVariable = Export<SetVariableFn>(m_module, "SetVariable");
        getExportDb = Export<GetExportDbFn>(m_module, "GetExportDb");
        getNextVariableName = Export<GetNextVariableNameFn>(m_module, "GetNextVariableName");
        readPhysicalMemory = Export<ReadPhysicalMemoryFn>(m_module, "ReadPhysicalMemory");
        ASSERT_TRUE(getVariable && setVariable && getExportDb && getNextVariableName && readPhysicalMemory);
        m_board.Create(SmallBoard());
    }

    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    uint32_t Write(const wchar_t* name, std::vector<uint8_t> data, uint32_t attributes = 7)
    {
        uint32_t size = static_cast<uint32_t>(data.size());
        return setVariable(name, &TEST_VENDOR, &attributes, &size, data.empty() ? nullptr : data.data());
    }

    BoardFixture m_board;
    HMODULE m_module = nullptr;
    GetVariableFn getVariable = nullptr;
    SetVariableFn setVariable = nullptr;
    GetExportDbFn getExportDb = nullptr;
    GetNextVariableNameFn getNextVariableName = nullptr;
    ReadPhysicalMemoryFn readPhysicalMemory = nullptr;
};

} // namespace

TEST_F(QrvEfiVarTest, TwoCallReadOfAVariable)
{
    uint32_t attributes = 0, size = 0;
    EXPECT_EQ(getVariable(L"FirmwareId", &TEST_VENDOR, &attributes, &size, nullptr), EFI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(attributes, 7u);
    std::vector<uint8_t> data(size);
    EXPECT_EQ(getVariable(L"FirmwareId", &TEST_VENDOR, &attributes, &size, data.data()), EFI_STATUS_SUCCESS);
    EXPECT_EQ(std::string(data.begin(), data.end()), "TB.86A");
    EXPECT_EQ(FindCounters(m_board.Load(), L"FirmwareId", TEST_VENDOR)->reads, 2u);
}

TEST_F(QrvEfiVarTest, WritesPersistAndSizeZeroDeletes)
{
    EXPECT_EQ(Write(L"QrvBiosModVar", {1}), EFI_STATUS_SUCCESS);
    StoreImage image = m_board.Load();
    ASSERT_NE(FindVariable(image, L"QrvBiosModVar", TEST_VENDOR), nullptr);
    EXPECT_EQ(FindCounters(image, L"QrvBiosModVar", TEST_VENDOR)->bytesWritten, 1u);
    EXPECT_EQ(Write(L"QrvBiosModVar", {}), EFI_STATUS_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(getVariable(L"QrvBiosModVar", &TEST_VENDOR, nullptr, &size, nullptr), EFI_STATUS_NOT_FOUND);
}

TEST_F(QrvEfiVarTest, EveryStatusTheBoardProduces)
{
    uint32_t size = 0, attributes = 7;
    EXPECT_EQ(getVariable(L"Absent", &TEST_VENDOR, &attributes, &size, nullptr), EFI_STATUS_NOT_FOUND);
    EXPECT_EQ(getVariable(nullptr, &TEST_VENDOR, &attributes, &size, nullptr), EFI_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(setVariable(L"X", nullptr, &attributes, &size, nullptr), EFI_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Write(L"Huge", std::vector<uint8_t>(5000)), EFI_STATUS_OUT_OF_STORAGE);
    uint8_t buffer[4];
    size = sizeof(buffer);
    EXPECT_EQ(readPhysicalMemory(0xF0000, &size, buffer), EFI_STATUS_UNSUPPORTED_OS);

    m_board.Update([](StoreImage& image) {
        image.exportDb.clear();
        return true;
    });
    size = 0;
    EXPECT_EQ(getExportDb(&size, nullptr), EFI_STATUS_HII_DATA_INVALID);
}

TEST_F(QrvEfiVarTest, InjectedFaultsAnswerAnyStatusOnce)
{
    // Statuses that only a real driver produces come from faults; every value passes through.
    for (uint32_t status : {1u, 5u, 9u, 10u, 11u, 12u, 99u}) {
        m_board.ArmFault(StoreOperation::SetVariable, status, L"Setup");
        EXPECT_EQ(Write(L"Setup", {1}), status);
        EXPECT_EQ(Write(L"Setup", {1}), EFI_STATUS_SUCCESS) << "the fault is used up";
    }
    EXPECT_EQ(FindCounters(m_board.Load(), L"Setup", TEST_VENDOR)->failedWrites, 7u);
    m_board.ArmFault(StoreOperation::GetExportDb, EFI_STATUS_DRIVER_COMMUNICATION);
    uint32_t size = 0;
    EXPECT_EQ(getExportDb(&size, nullptr), EFI_STATUS_DRIVER_COMMUNICATION);
}

TEST_F(QrvEfiVarTest, ProtectedVariableRefusesEveryWriteAndDeletion)
{
    ASSERT_TRUE(m_board.Update([](StoreImage& image) {
        RestartRule rule;
        rule.kind = RestartRuleKind::Protect;
        rule.name = L"FirmwareId";
        rule.vendor = TEST_VENDOR;
        image.restartRules.push_back(rule);
        return true;
    }));
    EXPECT_EQ(Write(L"FirmwareId", {1, 2}), EFI_STATUS_WRITE_PROTECTED);
    EXPECT_EQ(Write(L"FirmwareId", {}), EFI_STATUS_WRITE_PROTECTED);
    EXPECT_EQ(Write(L"Unprotected", {1}), EFI_STATUS_SUCCESS);
    const StoreImage image = m_board.Load();
    EXPECT_EQ(FindVariable(image, L"FirmwareId", TEST_VENDOR)->data, SmallBoard().variables[0].data);
    EXPECT_EQ(FindCounters(image, L"FirmwareId", TEST_VENDOR)->failedWrites, 2u);
}

TEST_F(QrvEfiVarTest, ExportDbTwoCallRead)
{
    uint32_t size = 0;
    EXPECT_EQ(getExportDb(&size, nullptr), EFI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 6u);
    std::vector<uint8_t> data(size * 2);
    size *= 2;
    EXPECT_EQ(getExportDb(&size, data.data()), EFI_STATUS_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(data[4], 0xAA);
    EXPECT_EQ(getExportDb(nullptr, nullptr), EFI_STATUS_INVALID_PARAMETER);
}

TEST_F(QrvEfiVarTest, EnumeratesTheVariables)
{
    wchar_t name[32] = L"";
    GUID vendor{};
    std::vector<std::wstring> names;
    uint32_t size = sizeof(name);
    while (getNextVariableName(&size, name, &vendor) == EFI_STATUS_SUCCESS) {
        names.push_back(name);
        size = sizeof(name);
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"FirmwareId", L"1.4"}));
}

TEST_F(QrvEfiVarTest, NoStoreMeansDriverNotInstalled)
{
    uint32_t size = 0, attributes = 0;
    uint8_t byte = 1;
    wchar_t name[8] = L"";
    GUID vendor{};
    auto expectAllTwo = [&] {
        size = 0;
        EXPECT_EQ(getVariable(L"FirmwareId", &TEST_VENDOR, &attributes, &size, nullptr), EFI_STATUS_DRIVER_NOT_INSTALLED);
        size = 1;
        EXPECT_EQ(setVariable(L"FirmwareId", &TEST_VENDOR, &attributes, &size, &byte), EFI_STATUS_DRIVER_NOT_INSTALLED);
        EXPECT_EQ(getExportDb(&size, nullptr), EFI_STATUS_DRIVER_NOT_INSTALLED);
        size = sizeof(name);
        EXPECT_EQ(getNextVariableName(&size, name, &vendor), EFI_STATUS_DRIVER_NOT_INSTALLED);
        size = 1;
        EXPECT_EQ(readPhysicalMemory(0, &size, &byte), EFI_STATUS_DRIVER_NOT_INSTALLED);
    };
    SetEnvironmentVariableW(L"FWSIM_STORE", nullptr);
    expectAllTwo();
    SetEnvironmentVariableW(L"FWSIM_STORE", (m_board.Path() + L".absent").c_str());
    expectAllTwo();
    EXPECT_EQ(GetFileAttributesW((m_board.Path() + L".absent").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(QrvEfiVarTest, DamagedStoreIsADeviceErrorAndStaysUntouched)
{
    std::vector<uint8_t> bytes = m_board.Bytes();
    bytes[bytes.size() / 2] ^= 0xFF;
    m_board.WriteBytes(bytes);
    uint32_t size = 0;
    EXPECT_EQ(getVariable(L"FirmwareId", &TEST_VENDOR, nullptr, &size, nullptr), EFI_STATUS_DEVICE_ERROR);
    EXPECT_EQ(Write(L"Setup", {1}), EFI_STATUS_DEVICE_ERROR);
    EXPECT_EQ(m_board.Bytes(), bytes);
}
