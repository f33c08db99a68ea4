// Fan-control payloads installed through the toolkit's late-bound interface, as scripts do,
// on boards the tests make: what reaches "AfscConfigData", the events and error texts the
// client gets for each refused file and board, and that a refusal writes nothing at all.
// Then the monitor chip's detection from the firmware's description record, on a board held
// in memory. The BIOS-modified flag is written once per process: each case runs in a
// process of its own (CMakeLists.txt).
#include "InstallFixture.h"

#include "frame/EventTarget.h"
#include "system/DetectCorrin6.h"
#include "system/FirmwareAccess.h"
#include "system/PayloadManager.h"
#include "toolkit/ToolkitInternal.h"

#include "LogWatch.h"
#include "StoreVariables.h"

#include <optional>

using namespace fwstore;

namespace {

const std::wstring kUnknownType = L"Payload file does not match known payload types.";
const std::wstring kInvalidOnHardware = L"Error: Vestra(R) Stillwater payloads are invalid on this hardware.";
const std::wstring kCorrupt = L"Error: Vestra(R) Stillwater payload file is corrupt.";
const std::wstring kInstallFailed = L"Payload installation failed.";
const std::wstring kComponentsFailed = L"Unable to install one or more components.";
const Bytes kVariableHeader = {0x43, 0x53, 0x46, 0x41, 0x0F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

using Events = std::vector<std::wstring>;

// Calls that changed or tried to change a variable of a board held in memory.
uint64_t WriteCalls(const StoreImage& image)
{
    uint64_t calls = 0;
    for (const VariableCounters& counters : image.counters) {
        calls += counters.writes + counters.deletes + counters.failedWrites;
    }
    return calls;
}

// A payload file of `size` bytes whose length field says `length`, version 2.5.
Bytes Payload(size_t size, uint16_t length)
{
    Bytes file = {0x43, 0x53, 0x46, 0x41, 0x02, 0x05, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
    for (size_t i = file.size(); i < size; ++i) {
        file.push_back(static_cast<uint8_t>(i * 7));
    }
    file.resize(size);
    return file;
}

// Where "QrvDataVar" keeps the first chip's address: the demo board's record 1 comes first.
constexpr size_t kFirstChip = 8;
constexpr size_t kSecondChip = 9;

class PayloadInstall : public Install {
protected:
    struct Outcome {
        HRESULT hr = S_OK;
        std::wstring description;
    };

    std::wstring PayloadFile(const wchar_t* name, const Bytes& bytes)
    {
        const std::wstring path = board.Folder().File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }

    // A late-bound call, as a script makes it: a failure's code and description. The
    // arguments are cleared after the call.
    Outcome Call(const wchar_t* method, std::vector<VARIANT> arguments = {})
    {
        ComPtr<IDispatch> dispatch;
        EXPECT_HRESULT_SUCCEEDED(toolkit.As(&dispatch));
        EXCEPINFO exception{};
        UniqueVariant result;
        Outcome outcome;
        outcome.hr = InvokeByName(dispatch.Get(), method, DISPATCH_METHOD, arguments, result.put(), &exception);
        if (outcome.hr == DISP_E_EXCEPTION) {
            outcome.hr = exception.scode;
            outcome.description = exception.bstrDescription ? exception.bstrDescription : L"";
        }
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
        for (VARIANT& argument : arguments) {
            ::VariantClear(&argument);
        }
        return outcome;
    }
    static VARIANT Text(const std::wstring& text)
    {
        VARIANT argument;
        V_VT(&argument) = VT_BSTR;
        V_BSTR(&argument) = ::SysAllocString(text.c_str());
        return argument;
    }
    static VARIANT Number(ULONG number)
    {
        VARIANT argument;
        V_VT(&argument) = VT_I4;
        V_I4(&argument) = static_cast<LONG>(number);
        return argument;
    }

    // An empty configuration with the payload `name`, installed with `mask`.
    Outcome InstallPayload(const std::wstring& name, ULONG mask = CComponentMask::kPayload)
    {
        EXPECT_HRESULT_SUCCEEDED(toolkit->Reset());
        EXPECT_EQ(Call(L"CreateEmptyConfiguration").hr, S_OK);
        EXPECT_EQ(Call(L"AddPayload", {Text(name)}).hr, S_OK);
        sink->events.clear();
        return Call(L"Install", {Number(mask)});
    }

    // The events heard since the last call: the install's and the payload's, by name.
    Events PayloadEvents()
    {
        Events heard;
        for (const RecordedEvent& event : sink->events) {
            const wchar_t* name = event.id == ToolkitEventId::OnInstallStart     ? L"OnInstallStart "
                                  : event.id == ToolkitEventId::OnInstallSuccess ? L"OnInstallSuccess "
                                  : event.id == ToolkitEventId::OnPayloadError   ? L""
                                                                                 : L"other ";
            heard.push_back(name + (event.texts.empty() ? L"" : event.texts[0]));
        }
        sink->events.clear();
        return heard;
    }

    static std::string ResultLine(HRESULT hr)
    {
        char line[64];
        std::snprintf(line, sizeof line, "Payload Manager Install Result=%lx", static_cast<unsigned long>(hr));
        return line;
    }

    void ChangeMonitorRecord(size_t at, uint8_t value)
    {
        ASSERT_TRUE(board.Update([at, value](StoreImage& state) {
            StoredVariable* data = FindVariable(state, VariableName::QrvDataVar, VendorGuid::QrvData);
            if (!data || data->data.size() < 12 || data->data[0] != 1 || data->data[4] != 12) {
                return false;  // not the record this test knows
            }
            data->data[at] = value;
            return true;
        }));
    }
};

// A plan runs the checks and shows the variable; the install then writes exactly that: the
// file behind a header that always says version 1.0, and the firmware marked as modified.
TEST_F(PayloadInstall, AnEightByteFileBecomesATwentyThreeByteVariableBehindAFixedHeader)
{
    board.Create(DesktopBoard());  // no description of a monitor chip: no chip
    const Bytes file = Payload(8, 8);
    const std::wstring path = PayloadFile(L"fan-control.bin", file);

    ASSERT_EQ(Call(L"CreateEmptyConfiguration").hr, S_OK);
    ASSERT_EQ(Call(L"AddPayload", {Text(path)}).hr, S_OK);
    ComPtr<IToolkitInternal> internal;
    ASSERT_HRESULT_SUCCEEDED(toolkit->QueryInterface(IID_IToolkitInternal, reinterpret_cast<void**>(internal.GetAddressOf())));
    UniqueBstr plan;
    EXPECT_EQ(internal->PlanInstall(CComponentMask::kPayload, plan.put()), S_OK);
    const std::string json = Narrow(plan.c_str());
    EXPECT_NE(json.find(R"("name":"AfscConfigData","guid":"{ECBC76B8-59F8-4092-AC0B-765C3738C23E}","existed":false,"size":23,"written":true)"),
              std::string::npos) << json;
    EXPECT_NE(json.find(R"({"name":"OnInstallSuccess","arguments":["8"]})"), std::string::npos) << json;
    EXPECT_EQ(WriteCalls(), 0u) << "neither the variable nor the BIOS-modified flag";
    EXPECT_TRUE(PayloadEvents().empty()) << "a plan's events stay in the plan";

    LogWatch log;
    EXPECT_EQ(Call(L"Install", {Number(CComponentMask::kPayload)}).hr, S_OK);
    EXPECT_EQ(PayloadEvents(), (Events{L"OnInstallStart 8", L"OnInstallSuccess 8"}));
    Bytes expected = kVariableHeader;
    expected.insert(expected.end(), file.begin(), file.end());
    EXPECT_EQ(Data(VariableName::AfscConfigData, VendorGuid::AfscConfigData), expected);
    const StoreImage image = board.Load();
    EXPECT_EQ(FindVariable(image, VariableName::AfscConfigData, VendorGuid::AfscConfigData)->attributes, 7u);
    EXPECT_EQ(Counters(VariableName::AfscConfigData, VendorGuid::AfscConfigData).writes, 1u);
    EXPECT_EQ(Data(VariableName::QrvBiosModVar, VendorGuid::QrvData), (Bytes{0x01}));
    EXPECT_TRUE(log.Saw(ResultLine(S_OK)));
}

// Each file the server refuses: the component fails with the events that say why, the
// install ends with message 142 (or, when the file cannot be had at all, with the file's own
// failure), and the firmware is not touched.
TEST_F(PayloadInstall, RefusedFilesFailTheirComponentWithTheirEventsAndWriteNothing)
{
    StoreImage image = DesktopBoard();
    board.Create(image);
    struct Case {
        const wchar_t* name;
        Bytes bytes;
        HRESULT payload;
        Events events;
    };
    const Bytes sevenSigned = {0x43, 0x53, 0x46, 0x41, 0x01, 0x00, 0x07};
    const Case cases[] = {
        {L"seven-signed.bin", sevenSigned, ResultCode::E_PAYLOAD_SIZE, {kCorrupt, kInstallFailed}},
        {L"seven-other.bin", {'A', 'B', 'C', 'D', 'E', 'F', 'G'}, ResultCode::E_PAYLOAD_UNKNOWN, {kUnknownType}},
        {L"signature-only.bin", {0x43, 0x53, 0x46, 0x41}, ResultCode::E_PAYLOAD_UNKNOWN, {kUnknownType}},
        {L"empty.bin", {}, ResultCode::E_PAYLOAD_UNKNOWN, {kUnknownType}},
        {L"length-plus-one.bin", Payload(8, 9), ResultCode::E_PAYLOAD_SIZE, {kCorrupt, kInstallFailed}},
        {L"length-minus-one.bin", Payload(9, 8), ResultCode::E_PAYLOAD_SIZE, {kCorrupt, kInstallFailed}},
        // Beyond what the 16-bit length field can say.
        {L"huge.bin", Payload(70000, 70000 & 0xFFFF), ResultCode::E_PAYLOAD_SIZE, {kCorrupt, kInstallFailed}},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(Narrow(refused.name));
        LogWatch log;
        const Outcome outcome = InstallPayload(PayloadFile(refused.name, refused.bytes));
        EXPECT_EQ(outcome.hr, E_FAIL);
        EXPECT_EQ(outcome.description, kComponentsFailed);
        Events expected = {L"OnInstallStart 8"};
        expected.insert(expected.end(), refused.events.begin(), refused.events.end());
        EXPECT_EQ(PayloadEvents(), expected);
        EXPECT_TRUE(log.Saw(ResultLine(refused.payload))) << log.NewText();
    }
    EXPECT_EQ(WriteCalls(), 0u);

    // Files that cannot be had: the install ends at once with the file named.
    const std::wstring missing = board.Folder().File(L"missing.bin");
    const std::wstring inMissingFolder = board.Folder().File(L"no-such-folder\\fan.bin");
    const std::wstring folder = board.Folder().Path();
    for (const auto& [name, payload] : {std::pair{missing, ResultCode::E_PAYLOAD_SEARCH},
                                        std::pair{inMissingFolder, ResultCode::E_PAYLOAD_SEARCH},
                                        std::pair{folder, E_UNEXPECTED}}) {
        SCOPED_TRACE(Narrow(name));
        LogWatch log;
        const Outcome outcome = InstallPayload(name, CComponentMask::kPayload | CComponentMask::kSMBIOS);
        EXPECT_EQ(outcome.hr, E_FAIL);
        EXPECT_EQ(outcome.description, L"Error:  File " + name + L" not found.");
        EXPECT_EQ(PayloadEvents(), (Events{L"OnInstallStart 8"})) << "nothing after the payload";
        EXPECT_TRUE(log.Saw(ResultLine(payload))) << log.NewText();
    }
    CFirmwareAccess access;
    EXPECT_EQ(CPayloadManager(access.Variables()).Install(L""), E_INVALIDARG);
    EXPECT_EQ(WriteCalls(), 0u);

    // A firmware that runs its own fan control takes not even a good payload.
    ASSERT_TRUE(board.Update([](StoreImage& state) {
        state.variables.push_back({VariableName::FscDefConfigVar, VendorGuid::FscDefConfigVar, 7, {1}});
        return true;
    }));
    const std::wstring good = PayloadFile(L"good.bin", Payload(16, 16));
    ASSERT_HRESULT_SUCCEEDED(Call(L"AddPayload", {Text(good)}).hr);
    sink->events.clear();
    // The success code is lost in late binding; the vtable shows it.
    EXPECT_EQ(toolkit->Install(CComponentMask::kPayload), ResultCode::S_PAYLOAD_ALREADY_PRESENT);
    EXPECT_TRUE(PayloadEvents().empty());
    EXPECT_EQ(WriteCalls(), 0u);
}

// The demo board carries one monitor chip, which the cooling settings drive: the payload is
// refused and the other components are installed. A board that lists a second chip is
// refused too; the same board without a chip takes the payload.
TEST_F(PayloadInstall, TheDemoBoardsMonitorChipRefusesThePayloadWhileTheTokensAreInstalled)
{
    StoreImage demo;
    ASSERT_TRUE(LoadBoardProfile(std::wstring(BOARDS_FOLDER) + L"/demo-board.ini", demo).Ok());
    board.Create(demo);
    const Bytes file = Payload(40, 40);
    const std::wstring payload = PayloadFile(L"fan-control.bin", file);
    const std::wstring settings = IniFile("[SETTING_0212]\r\nValue=1\r\n\r\n");  // "Secure boot", 0 on the board
    ASSERT_EQ(Call(L"LoadINIFile", {Text(settings), Number(CComponentMask::kTokens)}).hr, S_OK);
    ASSERT_EQ(Call(L"AddPayload", {Text(payload)}).hr, S_OK);
    sink->events.clear();
    LogWatch log;
    const Outcome outcome = Call(L"Install", {Number(CComponentMask::kPayload | CComponentMask::kTokens)});
    EXPECT_EQ(outcome.hr, E_FAIL);
    EXPECT_EQ(outcome.description, kComponentsFailed);
    EXPECT_EQ(PayloadEvents(), (Events{L"OnInstallStart 8", kInvalidOnHardware, kInstallFailed, L"OnInstallStart 16",
                                       L"OnInstallSuccess 16"}));
    EXPECT_TRUE(log.Has("Error", "Attemping to install ZENT on a Corrin board"));
    EXPECT_TRUE(log.Has("Error", "System not valid for ZENT"));
    EXPECT_TRUE(log.Saw(ResultLine(ResultCode::E_PAYLOAD_SYSTEM)));
    EXPECT_EQ(Data(VariableName::Setup, VendorGuid::Setup)[0x5C], 1) << "the token is installed";
    EXPECT_TRUE(Data(VariableName::AfscConfigData, VendorGuid::AfscConfigData).empty());

    // A second chip: the chips cannot be counted, and the board is refused as well.
    ChangeMonitorRecord(kSecondChip, 0x5E);
    LogWatch second;
    EXPECT_EQ(toolkit->Install(CComponentMask::kPayload), E_FAIL);
    EXPECT_EQ(PayloadEvents(), (Events{L"OnInstallStart 8", kInvalidOnHardware, kInstallFailed}));
    EXPECT_TRUE(second.Has("Error", "2nd/3rd Corrin found"));
    EXPECT_TRUE(second.Saw(ResultLine(ResultCode::E_PAYLOAD_SYSTEM)));
    EXPECT_EQ(Counters(VariableName::AfscConfigData, VendorGuid::AfscConfigData).writes, 0u);

    // No chip at all, as `fwsim init --without-monitor` makes the board.
    ChangeMonitorRecord(kSecondChip, 0);
    ChangeMonitorRecord(kFirstChip, 0);
    EXPECT_EQ(Call(L"Install", {Number(CComponentMask::kPayload)}).hr, S_OK);
    EXPECT_EQ(PayloadEvents(), (Events{L"OnInstallStart 8", L"OnInstallSuccess 8"}));
    EXPECT_EQ(Data(VariableName::AfscConfigData, VendorGuid::AfscConfigData).size(), file.size() + 15);
}

// The description record: record 1 of "QrvDataVar", 12 bytes, the first chip's 8-bit SMBus
// address at byte 8 and no second or third chip at bytes 9 and 10.
class MonitorDetection : public ComTest {};

TEST_F(MonitorDetection, RecordOneNamesTheChipAndAnythingElseIsNoneOrARefusal)
{
    struct Case {
        const char* what;
        std::optional<Bytes> variable;  // none: the board has no "QrvDataVar"
        HRESULT detected;
        BOOL present;
        BYTE address;
        HRESULT counted;
        ULONG count;
        const wchar_t* description;
    };
    const std::wstring kNotSupported = L"The cooling solution of this board is not supported.";
    const Bytes platformValues = {3, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0};
    const Case cases[] = {
        {"one chip", Bytes{1, 0, 0, 0, 12, 0, 0, 0, 0x5C, 0, 0, 0}, S_OK, TRUE, 0x2E, S_OK, 1, nullptr},
        {"after another record", [&] {
             Bytes both = platformValues;
             both.insert(both.end(), {1, 0, 0, 0, 12, 0, 0, 0, 0x5C, 0, 0, 0});
             return both;
         }(), S_OK, TRUE, 0x2E, S_OK, 1, nullptr},
        {"no chip", Bytes{1, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0}, S_OK, FALSE, 0, S_OK, 0, nullptr},
        {"a second chip", Bytes{1, 0, 0, 0, 12, 0, 0, 0, 0x5C, 0x5E, 0, 0}, ResultCode::E_MONITOR_CHIPS, FALSE, 0,
         S_FALSE, 0, kNotSupported.c_str()},
        {"a third chip", Bytes{1, 0, 0, 0, 12, 0, 0, 0, 0x5C, 0, 0x60, 0}, ResultCode::E_MONITOR_CHIPS, FALSE, 0,
         S_FALSE, 0, kNotSupported.c_str()},
        // A short record cannot say "no chip": the bytes it lacks are not taken as zeros.
        {"a short record", Bytes{1, 0, 0, 0, 9, 0, 0, 0, 0}, ResultCode::E_VARIABLE_SIZE, FALSE, 0, S_FALSE, 0,
         L"This BIOS version does not support the requested operation(s)."},
        {"a long record", Bytes{1, 0, 0, 0, 16, 0, 0, 0, 0x5C, 0, 0, 0, 0, 0, 0, 0}, ResultCode::E_BUFFERTOOSMALL,
         FALSE, 0, S_FALSE, 0, nullptr},
        {"a record past the variable", Bytes{1, 0, 0, 0, 13, 0, 0, 0, 0x5C, 0, 0, 0}, ResultCode::E_VARIABLE_SIZE,
         FALSE, 0, S_FALSE, 0, nullptr},
        {"no record 1", platformValues, ResultCode::E_VARIABLE_NOT_FOUND, FALSE, 0, S_OK, 0, nullptr},
        {"no variable", std::nullopt, ResultCode::E_VARIABLE_NOT_FOUND, FALSE, 0, S_OK, 0, nullptr},
    };
    for (const Case& board : cases) {
        SCOPED_TRACE(board.what);
        StoreImage image = DesktopBoard();
        if (board.variable) {
            image.variables.push_back({VariableName::QrvDataVar, VendorGuid::QrvData, 7, *board.variable});
        }
        CStoreVariables memory(image);
        CCurrentFirmwareVariables current(memory);
        BOOL present = 2;
        BYTE address = 0xFF;
        ClearErrorInfo();
        EXPECT_EQ(CDetectCorrin6().DetectASIC(&present, &address), board.detected);
        EXPECT_EQ(present, board.present);
        EXPECT_EQ(address, board.address);
        if (board.description) {
            EXPECT_EQ(TakeErrorDescription(), board.description);
        }
        ULONG count = 7;
        HRESULT detection = S_OK;
        EXPECT_EQ(GetCorrinsPresent(&count, &detection), board.counted);
        EXPECT_EQ(count, board.count);
        EXPECT_EQ(detection, board.detected);
        EXPECT_EQ(WriteCalls(memory.Image()), 0u);
    }
    BYTE address = 0;
    EXPECT_EQ(CDetectCorrin6().DetectASIC(nullptr, &address), E_FAIL);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The log opens at the first report, in the current folder (the test's logged folder);
    // creating the toolkit later moves the current folder to the program's.
    ReportDiagnostic(LOG_SITE(L"PayloadInstallTest"), LOG_INFORMATION, L"Test program started");
    return RUN_ALL_TESTS();
}
