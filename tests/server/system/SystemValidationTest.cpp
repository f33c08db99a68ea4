// System validation and the capabilities, through the toolkit and its capabilities object.
// A system found valid stays valid for the process, so each accepting suite runs in a
// process of its own (CMakeLists.txt); refusals leave nothing behind and share one.
#include "ToolkitOnBoard.h"

#include "system/SystemValidator.h"

#include "LogWatch.h"

using namespace fwstore;

namespace {

// Record 1 (one monitor chip), 2 (mobile: the header alone) and 3 (one platform value).
const std::vector<uint8_t> kMobileRecords = {1, 0, 0, 0, 12, 0, 0, 0, 0x5C, 0, 0, 0, 2, 0, 0, 0, 8, 0, 0, 0,
                                             3, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0};

class Validation : public ToolkitOnBoard {
protected:
    // A capability read as a script reads it.
    static bool Capability(IDispatch* capabilities, const wchar_t* name)
    {
        UniqueVariant value;
        EXPECT_EQ(InvokeByName(capabilities, name, DISPATCH_PROPERTYGET, {}, value.put()), S_OK) << Narrow(name);
        EXPECT_EQ(V_VT(value.get()), VT_BOOL) << Narrow(name);
        return V_BOOL(value.get()) == VARIANT_TRUE;
    }
};

using ValidationRefusals = Validation;

TEST_F(ValidationRefusals, BoardsOutsideTheSupportedFamiliesAreNotValid)
{
    // No family in the second field, fields out of their bounds, fields missing.
    const char* const refused[] = {"DBZ7710H.86.0042", "DBZ7710H.8A6.0042", "DBZ7710H.7T.0042", "DBZ7710H.861.0042",
                                   "DBZ7710H.07X.0042", "DBZ7710H.86AB.0042", "DBZ7710H.86ABC.0042",
                                   "ABCDEFGHIJKLMNO.86A.0042", "D.86A.0042", "DBZ7710H", "DBZ7710H..86A"};
    for (const char* biosId : refused) {
        board.Create(DesktopBoard(biosId));
        EXPECT_EQ(toolkit->ValidateSystem(), S_FALSE) << biosId;
        EXPECT_EQ(TakeEvents(), std::vector<std::wstring>{L"OnInvalidBoard"}) << biosId;
        EXPECT_GT(Counters(VariableName::FirmwareId, VendorGuid::FirmwareId).reads, 0u) << biosId;
    }
    EXPECT_FALSE(CSystemValidator::IsSystemValidated());

    // No BIOS ID under either GUID: the check cannot be made.
    StoreImage image = DesktopBoard();
    RemoveVariable(image, VariableName::FirmwareId, VendorGuid::FirmwareId);
    board.Create(image);
    LogWatch log;
    EXPECT_EQ(toolkit->ValidateSystem(), E_FAIL);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_TRUE(log.Has("Error", "Failed to obtain variable.  BIOS ID unknown"));
    GUID failing{};
    EXPECT_EQ(TakeErrorDescription(&failing), L"An internal error has occurred.");
    EXPECT_EQ(failing, IID_IToolkit);
    EXPECT_EQ(Counters(VariableName::FirmwareId, VendorGuid::FirmwareIdFallback).reads, 1u) << "the second GUID was tried";
}

TEST_F(ValidationRefusals, AFirmwareWithoutSMBIOSVariablesIsNotValidAndNoSarn)
{
    StoreImage image = DesktopBoard();
    RemoveVariable(image, VariableName::SmbiosSystemManufacturer, VendorGuid::Smbios);
    board.Create(image);
    EXPECT_EQ(toolkit->ValidateSystem(), S_FALSE);
    EXPECT_EQ(TakeEvents(), std::vector<std::wstring>{L"OnInvalidBIOS"});
    EXPECT_EQ(Counters(VariableName::FirmwareId, VendorGuid::FirmwareId).reads, 0u) << "the board is not looked at";

    // Without "1.4" and without "QrvDataVar": no capability at all, and no failure either.
    ComPtr<ISystemCapabilities> direct;
    ASSERT_EQ(toolkit->get_SystemCapabilities(&direct), S_OK);
    ComPtr<IDispatch> capabilities;
    ASSERT_HRESULT_SUCCEEDED(direct.As(&capabilities));
    EXPECT_FALSE(Capability(capabilities.Get(), L"isSarn"));
    EXPECT_FALSE(Capability(capabilities.Get(), L"isMobile"));
    EXPECT_FALSE(Capability(capabilities.Get(), L"SupportsTokenApplicability"));

    // A mobile board with the strings and the platform values.
    image = DesktopBoard();
    image.variables.push_back({VariableName::QrvDataVar, VendorGuid::QrvData, 7, kMobileRecords});
    board.Create(image);
    EXPECT_TRUE(Capability(capabilities.Get(), L"isSarn"));
    EXPECT_TRUE(Capability(capabilities.Get(), L"isMobile"));
    EXPECT_TRUE(Capability(capabilities.Get(), L"SupportsTokenApplicability"));
    EXPECT_FALSE(CSystemValidator::IsSystemValidated()) << "answering capabilities validates nothing";

    for (auto getter : {&ISystemCapabilities::get_isSarn, &ISystemCapabilities::get_isMobile,
                        &ISystemCapabilities::get_SupportsTokenApplicability}) {
        EXPECT_EQ((direct.Get()->*getter)(nullptr), E_POINTER);
        GUID failing{};
        EXPECT_EQ(TakeErrorDescription(&failing), L"An internal error has occurred.");
        EXPECT_EQ(failing, IID_ISystemCapabilities);
    }
}

using Validation86A = Validation;

TEST_F(Validation86A, ADesktopBoardIsValidatedOnceForTheProcess)
{
    board.Create(DesktopBoard());
    LogWatch log;
    EXPECT_EQ(toolkit->ValidateSystem(), S_OK);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_TRUE(log.Has("Information", "BIOS ID: DBZ7710H.86A.0042.2013.0312.1045"));
    EXPECT_TRUE(log.Has("Information", "System is a valid."));
    EXPECT_TRUE(CSystemValidator::IsSystemValidated());

    // The next validation reads nothing, even on another board that would not be valid.
    StoreImage other = DesktopBoard("DBZ7710H.8A6.0042");
    RemoveVariable(other, VariableName::SmbiosSystemManufacturer, VendorGuid::Smbios);
    BoardFixture otherBoard;
    otherBoard.Create(other);
    EXPECT_EQ(toolkit->ValidateSystem(), S_OK);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_TRUE(log.Has("Information", "System already validated, skipping system validation"));
    EXPECT_TRUE(otherBoard.Load().counters.empty()) << "no firmware call at all";
}

using Validation07t = Validation;

TEST_F(Validation07t, ANumberedFamilyWithALowerCaseTFromTheSecondGuidIsValid)
{
    StoreImage image = DesktopBoard();
    RemoveVariable(image, VariableName::FirmwareId, VendorGuid::FirmwareId);
    const std::vector<uint8_t> id = Text("TX58120J.07t.0315.2012.1105.0930");
    image.variables.push_back({VariableName::FirmwareId, VendorGuid::FirmwareIdFallback, 7, id});
    board.Create(image);
    EXPECT_EQ(toolkit->ValidateSystem(), S_OK);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_TRUE(CSystemValidator::IsSystemValidated());
}

} // namespace
