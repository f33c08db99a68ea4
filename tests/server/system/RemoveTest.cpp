// Removing components through the toolkit, and the BIOS-modified flag that a removal sets.
// The flag is set once per process, so the order of the cases in a suite matters and each
// suite runs in a process of its own (CMakeLists.txt): in "Remove" the first removal that
// succeeds is the one that writes the flag.
#include "ToolkitOnBoard.h"

#include "system/BIOSModifiedFlag.h"

#include "BoardProfile.h"
#include "LogWatch.h"
#include "SmbiosStartup.h"

using namespace fwstore;

namespace {

using Events = std::vector<std::wstring>;
const std::wstring kChassisSerialRemoved = L"OnSMBIOSRemoved SMBIOS.values.ChassisSerialNum";
const std::wstring kAssetTagRemoved = L"OnSMBIOSRemoved SMBIOS.values.ChassisAssetTag";
const std::vector<uint8_t> kSetupValues(32, 0x5A);

using Remove = ToolkitOnBoard;

TEST_F(Remove, CoolingWithAFanControlConfigurationDoesNothingAtAll)
{
    for (const wchar_t* name : {VariableName::FscConfigVar, VariableName::FscDefConfigVar}) {
        StoreImage image = DesktopBoard();
        const bool first = name == VariableName::FscConfigVar;
        image.variables.push_back({name, first ? VendorGuid::FscConfigVar : VendorGuid::FscDefConfigVar, 7, {1, 2}});
        board.Create(image);
        EXPECT_EQ(toolkit->Remove(CComponentMask::kCooling | CComponentMask::kBIOS | CComponentMask::kSMBIOS),
                  ResultCode::S_NOTHING_TO_DO);
        EXPECT_TRUE(TakeEvents().empty()) << "not even the start of a component";
        EXPECT_EQ(WriteCalls(), 0u);
        EXPECT_EQ(Counters(VariableName::SetupDefault, VendorGuid::Setup).reads, 0u) << "no component was begun";
    }
}

TEST_F(Remove, SetupDefaultsOfSizeZeroWriteNothingAndTheFlagIsWrittenOnceForTwoRemovals)
{
    StoreImage image = DesktopBoard();
    image.variables.push_back({VariableName::QrvBiosModVar, VendorGuid::QrvData, 7, {0x02}});
    board.Create(image);
    // The size query answers success without a size: a defaults variable of no bytes.
    board.ArmFault(StoreOperation::GetVariable, 0, VariableName::SetupDefault);
    LogWatch log;
    EXPECT_EQ(toolkit->Remove(CComponentMask::kBIOS), S_OK);
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 1", L"OnRemoveSuccess 1"}));
    EXPECT_TRUE(log.Has("Error", "Datasize is 0"));
    EXPECT_TRUE(log.Has("Information", "BIOS Remove completed successfully"));
    EXPECT_EQ(Data(VariableName::QrvBiosModVar, VendorGuid::QrvData), (std::vector<uint8_t>{0x03}))
        << "bit 0 joins the bits the firmware had";
    EXPECT_EQ(WriteCalls(), 1u) << "the flag alone: neither \"Setup\" nor \"OemDefault\"";

    // Every SMBIOS string already gone: each is reported as removed, with a warning.
    ASSERT_TRUE(board.Update([](StoreImage& state) {
        for (const SMBIOSRow& row : kSMBIOSRows) {
            RemoveVariable(state, row.readVariable, VendorGuid::Smbios);
        }
        return true;
    }));
    const uint32_t flagReads = Counters(VariableName::QrvBiosModVar, VendorGuid::QrvData).reads;
    EXPECT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), ResultCode::S_WARNINGS);
    Events expected = {L"OnRemoveStart 2"};
    for (const SMBIOSRow& row : kSMBIOSRows) {
        expected.push_back(std::wstring(L"OnSMBIOSRemoved SMBIOS.values.") + row.keyword);
    }
    expected.push_back(L"OnRemoveSuccess 2");
    EXPECT_EQ(TakeEvents(), expected);
    EXPECT_EQ(WriteCalls(), 1u) << "the second removal leaves the flag alone";
    EXPECT_EQ(Counters(VariableName::QrvBiosModVar, VendorGuid::QrvData).reads, flagReads);
}

TEST_F(Remove, SMBIOSDeletesTheWrittenStringsAndCountsUnwrittenChassisStringsAsRemoved)
{
    StoreImage demo;
    const StoreResult loaded = LoadBoardProfile(std::wstring(BOARDS_FOLDER) + L"/demo-board.ini", demo);
    ASSERT_TRUE(loaded.Ok()) << Narrow(loaded.message);
    for (const bool installed : {false, true}) {
        board.Create(demo);
        if (installed) {
            ASSERT_TRUE(board.Update([](StoreImage& state) {
                state.variables.push_back({VariableName::SmbiosChassisSerialNumWritten, VendorGuid::Smbios, 7, Text("SN-2")});
                state.variables.push_back({VariableName::SmbiosChassisAssetTagWritten, VendorGuid::Smbios, 7, Text("TAG")});
                return true;
            }));
        }
        EXPECT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), installed ? S_OK : ResultCode::S_WARNINGS);
        EXPECT_EQ(TakeEvents(), installed ? (Events{L"OnRemoveStart 2", L"OnRemoveSuccess 2"})
                                          : (Events{L"OnRemoveStart 2", kChassisSerialRemoved, kAssetTagRemoved,
                                                    L"OnRemoveSuccess 2"}));
        for (const SMBIOSRow& row : kSMBIOSRows) {
            // The delete was asked for each written name; without an install it found nothing.
            const bool ownName = std::wstring_view(row.readVariable) != row.writtenVariable;
            const VariableCounters written = Counters(row.writtenVariable, VendorGuid::Smbios);
            EXPECT_EQ(written.deletes + written.failedWrites, 1u) << Narrow(row.writtenVariable);
            EXPECT_EQ(written.deletes, ownName && !installed ? 0u : 1u) << Narrow(row.writtenVariable);
            EXPECT_TRUE(Data(row.writtenVariable, VendorGuid::Smbios).empty()) << Narrow(row.writtenVariable);
            EXPECT_EQ(Data(row.readVariable, VendorGuid::Smbios).empty(), !ownName) << "shown chassis strings stay";
            EXPECT_FALSE(Data(row.readVariable, EMULATED_FIRMWARE_VENDOR).empty()) << "manufacturing strings stay";
        }
    }
}

TEST_F(Remove, AComponentNotRemovedFailsTheCallAfterTheOthersHaveRun)
{
    // The setup values cannot be written: the BIOS image fails, SMBIOS still goes, and the
    // client is told through the result as well. A board without a hardware monitor has no
    // cooling settings to remove: it says so and that component does not fail.
    board.Create(DesktopBoard());
    board.ArmFault(StoreOperation::SetVariable, 5, VariableName::Setup);
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    VARIANT mask;
    V_VT(&mask) = VT_I4;
    V_I4(&mask) = CComponentMask::kCooling | CComponentMask::kBIOS | CComponentMask::kSMBIOS;
    LogWatch log;
    EXCEPINFO exception{};
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"Remove", DISPATCH_METHOD, {mask}, nullptr, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_FAIL);
    EXPECT_STREQ(exception.bstrDescription ? exception.bstrDescription : L"",
                 L"Unable to remove one or more components.  Variables changed: \"1.4\", \"1.5\", \"1.6\", \"1.7\", "
                 L"\"3.4\", \"3.6\".  Variables left as they were: \"Setup\", \"OemDefault\".  The firmware has no "
                 L"transaction across variables: the ones changed stay changed.");
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrHelpFile);
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 4", L"OnNoCoolingHardwareFound", L"OnRemoveStart 1",
                                    L"OnRemoveFail 1", L"OnRemoveStart 2", kChassisSerialRemoved, kAssetTagRemoved,
                                    L"OnRemoveSuccess 2"}));
    EXPECT_TRUE(log.Has("Warning", "No Corrin detected during thermal extract"));
    EXPECT_TRUE(log.Saw("Not able to set variable 'Setup' 8239000c"));
    EXPECT_TRUE(log.Saw("Failed execution of remove. HR = 80004005. Error Description: Variables changed: \"1.4\""));
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup), kSetupValues);
    EXPECT_EQ(Counters(VariableName::OemDefault, VendorGuid::Setup).writes, 0u) << "the mirror waits for \"Setup\"";
    EXPECT_TRUE(Data(VariableName::SmbiosSystemManufacturer, VendorGuid::Smbios).empty());

    // Without defaults there is nothing to restore: a failure, not a removal that did nothing.
    StoreImage image = DesktopBoard();
    RemoveVariable(image, VariableName::SetupDefault, VendorGuid::Setup);
    board.Create(image);
    EXPECT_EQ(toolkit->Remove(CComponentMask::kBIOS), E_FAIL);
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 1", L"OnRemoveFail 1"}));
    EXPECT_TRUE(log.Has("Error", "Setup Defaults variable returned an invalid error 8239001b"));
    EXPECT_EQ(WriteCalls(), 0u);

    // A string that cannot be deleted ends the SMBIOS step: the later ones stay, unread.
    board.Create(DesktopBoard());
    board.ArmFault(StoreOperation::SetVariable, 1, VariableName::SmbiosSystemVersion);
    EXPECT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), E_FAIL);
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 2", L"OnRemoveFail 2"}));
    EXPECT_TRUE(log.Has("Error", "Unable to clear the SMBIOS data entry: SMBIOS.values.SystemVersion"));
    EXPECT_TRUE(log.Has("Error", "Unknown return value received from EFIVAR.dll"));
    EXPECT_EQ(TakeErrorDescription(),
              L"Unable to remove one or more components.  Variables changed: \"1.4\", \"1.5\".  Variables left as they "
              L"were: \"1.6\", \"1.7\", \"3.4\", \"3.6\", \"3.7Rv3&Kd9z\", \"3.8Wm5+Tq8h\".  The firmware has no "
              L"transaction across variables: the ones changed stay changed.");
    EXPECT_TRUE(Data(VariableName::SmbiosSystemProduct, VendorGuid::Smbios).empty());
    EXPECT_FALSE(Data(VariableName::SmbiosSystemVersion, VendorGuid::Smbios).empty());
    EXPECT_EQ(Counters(VariableName::SmbiosSystemSerialNum, VendorGuid::Smbios).reads, 0u);
}

TEST_F(Remove, AHalfAppliedRemovalNamesTheVariablesItChangedAndThoseItLeft)
{
    // "Setup" is restored, then "OemDefault" cannot be written: no transaction spans the two,
    // so the client is told exactly which one holds the defaults now.
    board.Create(DesktopBoard());
    board.ArmFault(StoreOperation::SetVariable, 6, VariableName::OemDefault);
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    VARIANT mask;
    V_VT(&mask) = VT_I4;
    V_I4(&mask) = CComponentMask::kBIOS;
    ::SetLastError(ERROR_INVALID_HANDLE);  // what some earlier call may have left behind
    LogWatch log;
    EXCEPINFO exception{};
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"Remove", DISPATCH_METHOD, {mask}, nullptr, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_FAIL);
    EXPECT_STREQ(exception.bstrDescription ? exception.bstrDescription : L"",
                 L"Unable to remove one or more components.  Variables changed: \"Setup\".  Variables left as they "
                 L"were: \"OemDefault\".  The firmware has no transaction across variables: the ones changed stay "
                 L"changed.");
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrHelpFile);
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 1", L"OnRemoveFail 1"}));
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup), std::vector<uint8_t>(32, 0x01)) << "restored";
    EXPECT_EQ(Data(VariableName::OemDefault, VendorGuid::Setup), std::vector<uint8_t>(32, 0x5A)) << "as it was";
    EXPECT_TRUE(log.Has("Error", "Variables changed: \"Setup\"; variables left as they were: \"OemDefault\""));
    EXPECT_TRUE(log.Has("Error", "Failed execution of remove. HR = 80004005. Error Description: Variables changed: "
                                 "\"Setup\"; variables left as they were: \"OemDefault\""));
    EXPECT_FALSE(log.Saw("Error 6")) << "the thread's last error names no step of the removal";
}

TEST_F(Remove, ReadingTheSystemAfterTheStringsWereRemovedSaysTheyComeBackAtTheRestart)
{
    board.Create(DesktopBoard());
    ASSERT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), ResultCode::S_WARNINGS);
    TakeEvents();
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
    VARIANT mask;
    V_VT(&mask) = VT_I4;
    V_I4(&mask) = CComponentMask::kSMBIOS;
    LogWatch log;
    EXCEPINFO exception{};
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"LoadConfigFromSystem", DISPATCH_METHOD, {mask}, nullptr, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_FAIL);
    EXPECT_STREQ(exception.bstrDescription ? exception.bstrDescription : L"",
                 L"An error occurred while retrieving data from the system: the SMBIOS string variable \"1.4\" "
                 L"(SMBIOS.values.SystemManufacturer) is absent.  SMBIOS strings taken out by Remove come back at the "
                 L"next restart; read them after it.");
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrHelpFile);
    EXPECT_TRUE(log.Has("Error", "The SMBIOS string variable \"1.4\" (SMBIOS.values.SystemManufacturer) is absent: "
                                 "strings removed by Remove come back at the next restart"));
    EXPECT_FALSE(log.Saw("BufferTooSmall not returned"));
}

using BIOSModifiedFlagFailure = ToolkitOnBoard;

TEST_F(BIOSModifiedFlagFailure, AFlagThatCannotBeWrittenIsReportedOnceAndNotTriedAgain)
{
    board.Create(DesktopBoard());
    board.ArmFault(StoreOperation::SetVariable, 6, VariableName::QrvBiosModVar);
    LogWatch log;
    EXPECT_EQ(toolkit->Remove(CComponentMask::kBIOS), ResultCode::S_WARNINGS) << "the removal itself stands";
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 1", L"OnRemoveSuccess 1", L"OnBIOSModifiedFlagSetFailure"}));
    EXPECT_TRUE(log.Has("Information", "BIOS Modified variable not found.  Initializing to 0"));
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup), std::vector<uint8_t>(32, 0x01));
    EXPECT_EQ(Data(VariableName::OemDefault, VendorGuid::Setup), std::vector<uint8_t>(32, 0x01));

    // The chassis strings were never installed, hence the warnings; the flag's failure is
    // not reported again, and the flag not tried again.
    EXPECT_EQ(toolkit->Remove(CComponentMask::kSMBIOS), ResultCode::S_WARNINGS);
    EXPECT_EQ(TakeEvents(), (Events{L"OnRemoveStart 2", kChassisSerialRemoved, kAssetTagRemoved, L"OnRemoveSuccess 2"}));
    EXPECT_EQ(CBIOSModifiedFlag::SetFlag(), E_FAIL);
    const VariableCounters flag = Counters(VariableName::QrvBiosModVar, VendorGuid::QrvData);
    EXPECT_EQ(flag.reads, 1u);
    EXPECT_EQ(flag.failedWrites, 1u);
    EXPECT_EQ(flag.writes, 0u);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The log opens at the first report, in the current folder (the test's logged folder);
    // creating the toolkit later moves the current folder to the program's.
    ReportDiagnostic(LOG_SITE(L"RemoveTest"), LOG_INFORMATION, L"Test program started");
    return RUN_ALL_TESTS();
}
