// The cooling settings through the toolkit on a board with a hardware-monitor chip: read from
// the system, edited, installed as the chip's SMBus sequence, read back from that sequence,
// written to an INI file and loaded again, removed; and the boards that cannot take them.
#include "InstallFixture.h"

#include "config/VariantValues.h"
#include "cooling/SmbusSequence.h"
#include "system/FirmwareAccess.h"
#include "toolkit/ToolkitInternal.h"

#include "IniTreeSupport.h"
#include "LogWatch.h"

#include <numeric>

using namespace fwstore;

namespace {

// Record 1 of "QrvDataVar": one chip at SMBus address 0x5C. "BmiGetParams": the firmware runs
// SMBus sequences of interface version `version`.
std::string MonitorProfile(const char* version = "06 01")
{
    return std::string(kProfile) +
           "\n[Variable QrvDataVar]\nGuid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}\nRecord = 1 5C 00 00 00\n"
           "\n[Variable BmiGetParams]\nGuid = {FFE78DB2-EEB3-43C2-A56A-373BE2AA4D4F}\nHex = " +
           version + " 00 00 00 00 00 00\n";
}

StoreImage MonitorBoard(const char* version = "06 01")
{
    StoreImage image;
    const StoreResult result = ParseBoardProfile(MonitorProfile(version), L"cooling.ini", {}, image);
    EXPECT_TRUE(result.Ok()) << Narrow(result.message);
    return image;
}

// The 21 settings of the cooling tree below `group`, in the order they are visited.
void CollectItems(IConfigGroup* group, std::vector<ComPtr<IConfigData>>& items)
{
    for (const ComPtr<IConfigData>& item : Items(group)) {
        items.push_back(item);
    }
    for (const ComPtr<IConfigGroup>& child : ChildGroups(group)) {
        CollectItems(child.Get(), items);
    }
}

UniqueVariant Text(const wchar_t* text)
{
    UniqueVariant value;
    V_VT(value.put()) = VT_BSTR;
    V_BSTR(value.get()) = ::SysAllocString(text);
    return value;
}

// Positions of the settings in the table.
enum Setting { ZoneATempLow = 0, ZoneATempDelta = 1, ZoneAResponse = 3, ZoneBDutyZero = 6, FanDMapping = 12,
               FanDDutyLow = 13, FanDFrequency = 14, FanGFrequency = 20 };

} // namespace

class Cooling : public Install {
protected:
    // The cooling settings of the loaded configuration.
    std::vector<ComPtr<IConfigData>> Settings()
    {
        ComPtr<IConfigGroup> visible;
        EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_Visible, &visible), S_OK);
        std::vector<ComPtr<IConfigData>> items;
        for (const ComPtr<IConfigGroup>& group : ChildGroups(visible.Get())) {
            if (NameOf(group.Get()) == L"Vestra(R) Coldline") {
                CollectItems(group.Get(), items);
            }
        }
        return items;
    }
    // What the chip runs at the next start: the board's sequence on its power-on registers.
    cooling::Corrin6Config Programmed()
    {
        const Bytes buffer = Data(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence);
        cooling::DecodedBuffer decoded;
        std::string problem;
        EXPECT_TRUE(cooling::DecodeBuffer(buffer, decoded, problem)) << problem;
        std::array<uint8_t, 256> registers = cooling::ChipDefaults();
        for (const cooling::Sequence& sequence : decoded.sequences) {
            EXPECT_TRUE(cooling::RunOnChip(sequence, 0x2E, registers, problem)) << problem;
        }
        return cooling::Corrin6Config::FromRegisters(registers);
    }
    // Values of the settings as text, for comparing one reading with another.
    std::vector<std::wstring> Values()
    {
        std::vector<std::wstring> values;
        for (const ComPtr<IConfigData>& item : Settings()) {
            values.push_back(ValueText(item.Get()));
        }
        return values;
    }
};

TEST_F(Cooling, EditedSettingsReachTheChipsSequenceAndAreReadBackFromIt)
{
    board.Create(MonitorBoard());
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kCooling), S_OK);
    std::vector<ComPtr<IConfigData>> settings = Settings();
    ASSERT_EQ(settings.size(), 21u);
    EXPECT_EQ(NameOf(settings[ZoneATempLow].Get()), L"TempLow (Celsius)");
    EXPECT_EQ(EventCount(38), 0) << "the board has its chip";
    const std::vector<std::wstring> defaults = Values();

    EXPECT_EQ(settings[FanDDutyLow]->put_Value(*IntegerVariant(101).get()), ResultCode::E_OUT_OF_BOUNDS);
    EXPECT_EQ(settings[ZoneATempDelta]->put_Value(*DoubleVariant(3.3).get()), ResultCode::E_OUT_OF_BOUNDS)
        << "not a list value";
    ASSERT_EQ(settings[ZoneATempLow]->put_Value(*IntegerVariant(-125).get()), S_OK);
    ASSERT_EQ(settings[ZoneATempDelta]->put_Value(*DoubleVariant(3.33).get()), S_OK);
    ASSERT_EQ(settings[ZoneAResponse]->put_Value(*IntegerVariant(0).get()), S_OK);
    ASSERT_EQ(settings[ZoneBDutyZero]->put_Value(*IntegerVariant(15).get()), S_OK);
    ASSERT_EQ(settings[FanDMapping]->put_Value(*Text(L"FullDuty").get()), S_OK);
    ASSERT_EQ(settings[FanDDutyLow]->put_Value(*IntegerVariant(50).get()), S_OK);
    ASSERT_EQ(settings[FanDFrequency]->put_Value(*Text(L"~47").get()), S_OK);
    ASSERT_EQ(settings[FanGFrequency]->put_Value(*Text(L"No change").get()), S_OK);
    // The plan names each setting with what the chip runs now and what it will run.
    ComPtr<IToolkitInternal> internal;
    ASSERT_HRESULT_SUCCEEDED(toolkit.As(&internal));
    UniqueBstr plan;
    ASSERT_EQ(internal->PlanInstall(CComponentMask::kCooling, plan.put()), S_OK);
    const std::wstring json(plan.get());
    EXPECT_NE(json.find(L"\"key\":\"Therm.ZoneA.TempLow\",\"name\":\"TempLow (Celsius)\",\"before\":\"" +
                        defaults[ZoneATempLow] + L"\",\"after\":\"-125\""),
              std::wstring::npos)
        << Narrow(json);
    EXPECT_NE(json.find(L"\"after\":\"3.33\""), std::wstring::npos) << Narrow(json);
    EXPECT_TRUE(Data(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).empty()) << "a plan writes nothing";

    sink->events.clear();
    ASSERT_EQ(toolkit->Install(CComponentMask::kCooling), S_OK);
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"4 4", L"5 4"}));
    // The same settings again change nothing: the sequence is not written a second time.
    const uint32_t writes = Counters(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).writes;
    ASSERT_EQ(toolkit->Install(CComponentMask::kCooling), S_OK);
    EXPECT_EQ(Counters(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).writes, writes);

    const Bytes buffer = Data(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence);
    ASSERT_GE(buffer.size(), cooling::kBufferHeaderBytes);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), "_MH_");
    EXPECT_EQ(buffer[4], 4) << "the format of an interface of version 1.6";
    EXPECT_EQ(std::accumulate(buffer.begin(), buffer.begin() + (buffer[7] | buffer[8] << 8), 0) % 256, 0);
    const cooling::Corrin6Config chip = Programmed();
    EXPECT_EQ(chip.Bytes()[21], 0x83) << "TempLow -125 of zone A";
    EXPECT_EQ(chip.Bytes()[18], 128) << "DutyLow 50 of fan D";
    EXPECT_EQ(chip.Bytes()[5] >> 5, 3) << "fan D at full duty";
    EXPECT_EQ(chip.Bytes()[14] & 0x08, 0) << "zone A's response time off";
    EXPECT_EQ(chip.Read(cooling::SettingType::Frequency, 2), cooling::ChipDefaults()[cooling::kFirstRegister + 9] & 7)
        << "fan G's frequency as the chip had it";

    // The system reads back what the sequence programs; the defaults stay the chip's own.
    ASSERT_EQ(toolkit->Reset(), S_OK);
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kCooling), S_OK);
    const std::vector<std::wstring> read = Values();
    EXPECT_EQ(read[ZoneATempLow], L"-125");
    EXPECT_EQ(read[ZoneATempDelta], L"3.33");
    EXPECT_EQ(read[ZoneAResponse], L"0");
    EXPECT_EQ(read[ZoneBDutyZero], L"15");
    EXPECT_EQ(read[FanDMapping], L"FullDuty");
    EXPECT_EQ(read[FanDDutyLow], L"50");
    EXPECT_EQ(read[FanDFrequency], L"~47");
    EXPECT_EQ(read[FanGFrequency], defaults[FanGFrequency]);
    settings = Settings();
    UniqueVariant defaultValue;
    ASSERT_HRESULT_SUCCEEDED(settings[ZoneATempLow]->get_DefaultValue(defaultValue.put()));
    EXPECT_EQ(std::to_wstring(V_I4(defaultValue.get())), defaults[ZoneATempLow]);
}

TEST_F(Cooling, AnExtractedFileLoadsBackAndItsBadValuesAreNamed)
{
    board.Create(MonitorBoard());
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kCooling), S_OK);
    std::vector<ComPtr<IConfigData>> settings = Settings();
    ASSERT_EQ(settings[ZoneATempDelta]->put_Value(*DoubleVariant(26.67).get()), S_OK);
    ASSERT_EQ(settings[FanDMapping]->put_Value(*Text(L"ZoneA/ZoneB/ZoneC").get()), S_OK);
    ASSERT_EQ(toolkit->Install(CComponentMask::kCooling), S_OK);
    const std::vector<std::wstring> installed = Values();
    const std::wstring path = board.Folder().Path() + L"\\cooling.ini";
    UniqueBstr name = UniqueBstr::From(path.c_str());
    ASSERT_EQ(toolkit->WriteINIFile(name.get(), CComponentMask::kCooling), S_OK);
    const std::string text = ReadTextFile(path);
    EXPECT_NE(text.find("[Therm.ZoneA]\r\nTempLow(Celsius)="), std::string::npos) << text;
    EXPECT_NE(text.find("TempDelta(Celsius)=26.67\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Therm.FanE/FanF]"), std::string::npos) << text;
    EXPECT_NE(text.find("Mapping=ZoneA/ZoneB/ZoneC\r\n"), std::string::npos) << text;

    const VariableCounters before = Counters(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence);
    EXPECT_EQ(InstallFile(path, CComponentMask::kCooling), S_OK);
    EXPECT_EQ(Values(), installed);
    EXPECT_EQ(Counters(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).writes, before.writes)
        << "the file holds what the chip runs";

    // A value out of its range, a missing value and a missing section are each named, and
    // the file does not load.
    std::string edited = text;
    edited.replace(edited.find("TempDelta(Celsius)=26.67"), 24, "TempDelta(Celsius)=27");
    edited.replace(edited.find("DutyZeroDelta(Celsius)="), 23, "Unknown=");
    edited.replace(edited.find("[Therm.FanG]"), 12, "[Elsewhere]");
    ASSERT_TRUE(WriteTextFile(path, edited));
    ASSERT_EQ(toolkit->Reset(), S_OK);
    sink->events.clear();
    EXPECT_EQ(toolkit->LoadINIFile(name.get(), CComponentMask::kCooling), E_FAIL);
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"6 Therm.ZoneA TempDelta(Celsius) 27",
                                                          L"8 Therm.ZoneB DutyZeroDelta(Celsius)",
                                                          L"10 Therm.FanG"}));
}

TEST_F(Cooling, BoardsThatCannotTakeTheSettingsRefuseThemBeforeAnythingIsWritten)
{
    // A firmware of an interface version of 2 or less runs no sequence of ours.
    board.Create(MonitorBoard("02 00"));
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kCooling | CComponentMask::kSMBIOS), S_OK);
    uint64_t writes = WriteCalls();
    EXPECT_EQ(toolkit->Install(CComponentMask::kCooling | CComponentMask::kSMBIOS), ResultCode::E_VARIABLE_SIZE);
    EXPECT_EQ(TakeErrorDescription(), L"This BIOS version does not support the requested operation(s).");
    EXPECT_EQ(WriteCalls(), writes);

    // A board without the chip shows the settings with the chip's power-on values and says
    // once that it has no cooling hardware; their install and a file of them are refused.
    StoreImage image = MonitorBoard();
    RemoveVariable(image, VariableName::QrvDataVar, VendorGuid::QrvData);
    board.Create(image);
    ASSERT_EQ(toolkit->Reset(), S_OK);
    sink->events.clear();
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kCooling), S_OK);
    EXPECT_EQ(EventCount(38), 1) << "OnNoCoolingHardwareFound";
    EXPECT_EQ(Settings().size(), 21u);
    writes = WriteCalls();
    EXPECT_EQ(toolkit->Install(CComponentMask::kCooling), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"No thermal management hardware was detected.");
    EXPECT_EQ(WriteCalls(), writes);

    // A board that runs its own fan-control configuration gives no cooling tree at all.
    image.variables.push_back({VariableName::FscDefConfigVar, VendorGuid::FscDefConfigVar, 7, {1}});
    board.Create(image);
    const std::wstring file = IniFile("[Therm.ZoneA]\r\nTempLow(Celsius)=40\r\n");
    UniqueBstr name = UniqueBstr::From(file.c_str());
    ASSERT_EQ(toolkit->Reset(), S_OK);
    EXPECT_EQ(toolkit->LoadINIFile(name.get(), CComponentMask::kCooling), ResultCode::S_NOTHING_TO_DO);
}

TEST_F(Cooling, RemoveDeletesTheSequenceAndThenReportsItAlreadyGone)
{
    board.Create(MonitorBoard());
    ASSERT_EQ(toolkit->LoadConfigFromSystem(CComponentMask::kCooling), S_OK);
    ASSERT_EQ(toolkit->Install(CComponentMask::kCooling), S_OK);
    ASSERT_FALSE(Data(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).empty());
    sink->events.clear();
    EXPECT_EQ(toolkit->Remove(CComponentMask::kCooling), S_OK);
    EXPECT_EQ(TakeEvents(), (std::vector<std::wstring>{L"OnRemoveStart 4", L"OnRemoveSuccess 4"}));
    EXPECT_TRUE(Data(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence).empty());
    EXPECT_EQ(toolkit->Remove(CComponentMask::kCooling), ResultCode::S_WARNINGS);
    EXPECT_EQ(TakeEvents(),
              (std::vector<std::wstring>{L"OnRemoveStart 4", L"OnComponentRemoved 4", L"OnRemoveSuccess 4"}));
}
