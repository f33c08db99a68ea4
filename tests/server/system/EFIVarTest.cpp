// CEFIVar through the real qrvefivar.dll, on a board store that each test makes.
#include "system/EFIVar.h"

#include "BoardFixture.h"
#include "LogWatch.h"

using namespace fwstore;

namespace {

class EFIVarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        StoreImage image;
        image.boardName = L"efivar test board";
        image.capacity = 8192;
        std::string id = "DBZ7710H.86A.0042.2013.0312.1045";
        image.variables.push_back({VariableName::FirmwareId, VendorGuid::FirmwareId, 7, {id.begin(), id.end()}});
        image.variables.push_back({VariableName::SmbiosSystemManufacturer, VendorGuid::Smbios, 7, {'K', 'B', 0}});
        image.exportDb = {1, 0, 0, 0, 5, 6, 7, 8, 9};
        m_board.Create(image);
    }

    void TearDown() override { CoUninitialize(); }

    BoardFixture m_board;
};

struct StatusRow {
    uint32_t status;
    HRESULT result;
    const char* level;
    const char* message;
    const wchar_t* description;
};

const wchar_t INTERNAL[] = L"An internal error has occurred.";
const wchar_t DRIVER[] = L"A driver communication error occurred.  Verify that all required files are present.";

const StatusRow STATUS_TABLE[] = {
    {0, S_OK, "Information", "EFI Operation successful", kNoErrorInformation},
    {1, ResultCode::E_EFIVAR_UNKNOWN, "Error", "EFI Operation returned an unknown error", INTERNAL},
    {2, ResultCode::E_EFIVAR_DRIVER, "Error", "Variable.sys driver not installed", DRIVER},
    {3, E_INVALIDARG, "Error", "EFI Var received an invalid parameter", INTERNAL},
    {4, ResultCode::E_VARIABLE_NOT_FOUND, "Error", "The requested variable was not found", INTERNAL},
    {5, ResultCode::E_EFIVAR_DEVICE_ERROR, "Error", "EFI Var could not save the variable due to a hardware failure",
        L"An unknown hardware error or device error occurred.  "},
    {6, ResultCode::E_EFIVAR_OUT_OF_STORAGE, "Error", "There is not enough storage to hold the variable and its data", INTERNAL},
    {7, ResultCode::E_BUFFERTOOSMALL, "Error", "The buffer passed to the function was too small", INTERNAL},
    {8, ResultCode::E_EFIVAR_UNSUPPORTED_OS, "Error", "EFI Var DLL is not supported in this OS",
        L"The specified operation is not supported on this operating system."},
    {9, ResultCode::E_EFIVAR_DRIVER, "Error", "The variable.sys device driver failed to load", DRIVER},
    {10, ResultCode::S_EFIVAR_DRIVER_NOT_UNINSTALLED, "Warning", "The variable.sys driver failed to uninstall", kNoErrorInformation},
    {11, ResultCode::E_EFIVAR_DRIVER, "Error", "EFI Var not able to communicate with variable.sys driver", kNoErrorInformation},
    {12, ResultCode::E_HII_DATA_INVALID, "Error", "HII data is invalid.", kNoErrorInformation},
    {0x2A, E_FAIL, "Error", "An unknown error occurred in the EFI Var DLL: 2a", kNoErrorInformation},
};

} // namespace

TEST_F(EFIVarTest, EveryStatusMapsToItsResultLogLineAndDescription)
{
    CEFIVar efiVar;
    ASSERT_TRUE(CEFIVar::IsDLLLoaded());
    for (const StatusRow& row : STATUS_TABLE) {
        m_board.ArmFault(StoreOperation::SetVariable, row.status, L"Probe");
        LogWatch log;
        ClearErrorInfo();
        ULONG attributes = 7, size = 1;
        BYTE byte = 1;
        EXPECT_EQ(efiVar.SetVariable(L"Probe", &VendorGuid::QrvData, &attributes, &size, &byte), row.result)
            << "status " << row.status;
        EXPECT_TRUE(log.Has(row.level, row.message)) << "status " << row.status << "; log:\n" << log.NewText();
        EXPECT_EQ(TakeErrorDescription(), row.description) << "status " << row.status;
    }
    EXPECT_EQ(m_board.Load().faults.size(), 0u) << "every injected status was consumed by one call";
}

TEST_F(EFIVarTest, TwoInstancesShareOneLoadOfTheLibrary)
{
    int loads = CEFIVar::LoadCount();
    {
        auto first = std::make_unique<CEFIVar>();
        CEFIVar second;
        EXPECT_EQ(CEFIVar::LoadCount(), loads + 1);
        EXPECT_EQ(CEFIVar::InstanceCount(), 2);
        first.reset();
        EXPECT_TRUE(CEFIVar::IsDLLLoaded());
        EXPECT_NE(GetModuleHandleW(L"qrvefivar.dll"), nullptr);
    }
    EXPECT_EQ(CEFIVar::InstanceCount(), 0);
    EXPECT_FALSE(CEFIVar::IsDLLLoaded());
    EXPECT_EQ(GetModuleHandleW(L"qrvefivar.dll"), nullptr) << "unloaded after the last instance";
}

TEST_F(EFIVarTest, AllocateAndGetVariable)
{
    CEFIVar efiVar;
    ULONG attributes = 0, size = 0;
    BYTE* data = nullptr;
    LogWatch log;
    EXPECT_EQ(efiVar.AllocateAndGetVariable(L"Absent", &VendorGuid::QrvData, &attributes, &size, &data),
        ResultCode::E_VARIABLE_NOT_FOUND);
    EXPECT_EQ(data, nullptr);
    EXPECT_TRUE(log.Has("Warning", "Error retrieving Absent variable."));
    EXPECT_EQ(TakeErrorDescription(), L"An error occurred while retrieving data from the system.");

    ASSERT_EQ(efiVar.AllocateAndGetVariable(VariableName::FirmwareId, &VendorGuid::FirmwareId, &attributes, &size, &data), S_OK);
    VariableBuffer owned(data);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(attributes, 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), "DBZ7710H.86A.0042.2013.0312.1045");

    EXPECT_EQ(efiVar.AllocateAndGetVariable(L"Setup", &VendorGuid::Setup, nullptr, &size, &data), E_POINTER);
}

TEST_F(EFIVarTest, ReadVariableAddsTheRequestedZeroBytes)
{
    CEFIVar efiVar;
    std::vector<BYTE> data;
    ULONG attributes = 0;
    ASSERT_EQ(efiVar.ReadVariable(VariableName::SmbiosSystemManufacturer, &VendorGuid::Smbios, data, &attributes, 1), S_OK);
    EXPECT_EQ(data, (std::vector<BYTE>{'K', 'B', 0, 0}));
    EXPECT_EQ(efiVar.ReadVariable(L"Absent", &VendorGuid::Smbios, data), ResultCode::E_VARIABLE_NOT_FOUND);
    EXPECT_EQ(FindCounters(m_board.Load(), VariableName::SmbiosSystemManufacturer, VendorGuid::Smbios)->reads, 2u)
        << "a size query and one read";
}

TEST_F(EFIVarTest, ExportDatabaseIsReadWithADoubledBuffer)
{
    CEFIVar efiVar;
    std::vector<BYTE> data;
    LogWatch log;
    ASSERT_EQ(efiVar.ReadExportDatabase(data), S_OK);
    EXPECT_EQ(data, (std::vector<BYTE>{1, 0, 0, 0, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(log.Has("Information", "GetExportDb-DataSize:     12")) << "twice the 9 bytes announced";

    m_board.ArmFault(StoreOperation::GetExportDb, 11);
    EXPECT_EQ(efiVar.ReadExportDatabase(data), E_FAIL);
    EXPECT_TRUE(log.Has("Error", "Error retrieving HII database"));
}

TEST_F(EFIVarTest, SetVariableLogsItsArgumentsAndSizeZeroDeletes)
{
    CEFIVar efiVar;
    LogWatch log;
    ULONG attributes = 7, size = 2;
    BYTE data[2] = {1, 2};
    ASSERT_EQ(efiVar.SetVariable(L"QrvBiosModVar", &VendorGuid::QrvData, &attributes, &size, data), S_OK);
    EXPECT_TRUE(log.Has("Information", "SetVariable-VarName:      QrvBiosModVar"));
    EXPECT_TRUE(log.Has("Information", "SetVariable-GUID:         3812723d-7e48-4e29..."));
    EXPECT_TRUE(log.Has("Information", "SetVariable-Attributes:   7"));
    EXPECT_TRUE(log.Has("Information", "SetVariable-DataSize:     2"));
    size = 0;
    ASSERT_EQ(efiVar.SetVariable(L"QrvBiosModVar", &VendorGuid::QrvData, &attributes, &size, nullptr), S_OK);
    EXPECT_EQ(FindVariable(m_board.Load(), L"QrvBiosModVar", VendorGuid::QrvData), nullptr);
}

TEST_F(EFIVarTest, TypedVariablesReadAndWriteTheirStructure)
{
    _SBIOSModifiedFlag flag;
    EXPECT_EQ(flag.ReadVariable(), ResultCode::E_VARIABLE_NOT_FOUND);
    flag.m_data.flags = 1;
    ASSERT_EQ(flag.WriteVariable(), S_OK);
    _SBIOSModifiedFlag reread;
    ASSERT_EQ(reread.ReadVariable(), S_OK);
    EXPECT_EQ(reread.m_data.flags, 1);

    m_board.ArmFault(StoreOperation::SetVariable, 5, L"QrvBiosModVar");
    ClearErrorInfo();
    EXPECT_EQ(flag.WriteVariable(), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"An error occurred when trying to write data to the system BIOS.");

    // A variable shorter than the structure is not taken as the structure.
    m_board.Update([](StoreImage& image) {
        image.variables.push_back({VariableName::BmiGetParams, VendorGuid::BmiGetParams, 7, {1, 2, 3}});
        return true;
    });
    _SBMIParams params;
    LogWatch log;
    EXPECT_EQ(params.ReadVariable(), E_FAIL);
    EXPECT_TRUE(log.Has("Error", "Unable to read variable: BmiGetParams"));
}
