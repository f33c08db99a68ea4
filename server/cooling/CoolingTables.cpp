#include "CoolingTables.h"

#include "MessageIds.h"

namespace cooling {

namespace {

constexpr Choice kTemperatureRanges[] = {
    {nullptr, 2, nullptr}, {nullptr, 2.5, nullptr}, {nullptr, 3.33, nullptr}, {nullptr, 4, nullptr},
    {nullptr, 5, nullptr}, {nullptr, 6.67, nullptr}, {nullptr, 8, nullptr}, {nullptr, 10, nullptr},
    {nullptr, 13.33, nullptr}, {nullptr, 16, nullptr}, {nullptr, 20, nullptr}, {nullptr, 26.67, nullptr},
    {nullptr, 32, nullptr}, {nullptr, 40, nullptr}, {nullptr, 53.33, nullptr}, {nullptr, 80, nullptr},
};

constexpr Choice kResponseTimes[] = {
    {nullptr, 0, nullptr}, {nullptr, 0.8, nullptr}, {nullptr, 1.6, nullptr}, {nullptr, 3, nullptr},
    {nullptr, 4.4, nullptr}, {nullptr, 7, nullptr}, {nullptr, 11.8, nullptr}, {nullptr, 17.6, nullptr},
    {nullptr, 35, nullptr},
};

constexpr Choice kZoneMappingOne[] = {
    {L"ZoneA", 0, L"0"},
    {L"ZoneA/ZoneB/ZoneC", 0, L"3"},
    {L"FullDuty", 0, L"5"},
};

constexpr Choice kZoneMappingTwo[] = {
    {L"ZoneB", 0, L"1"},
    {L"ZoneC", 0, L"2"},
    {L"ZoneA/ZoneB/ZoneC", 0, L"3"},
    {L"ZoneB/ZoneC", 0, L"4"},
    {L"FullDuty", 0, L"5"},
};

constexpr Choice kFrequencies[] = {
    {L"No change", 0, L"0"}, {L"~10", 0, L"1"}, {L"~15", 0, L"2"}, {L"~23", 0, L"3"}, {L"~30", 0, L"4"},
    {L"~38", 0, L"5"}, {L"~47", 0, L"6"}, {L"~62", 0, L"7"}, {L"~94", 0, L"8"},
};

constexpr GroupDefinition kGroups[] = {
    {L"Therm.root", nullptr, MSG_COOLING_PRODUCT},
    {L"Therm.Zones", L"Therm.root", MSG_ZONES},
    {L"Therm.Fans", L"Therm.root", MSG_FANS},
    {L"Therm.ZoneA", L"Therm.Zones", MSG_ZONE_A},
    {L"Therm.ZoneB", L"Therm.Zones", MSG_ZONE_B},
    {L"Therm.ZoneC", L"Therm.Zones", MSG_ZONE_C},
    {L"Therm.FanD", L"Therm.Fans", MSG_FAN_D},
    {L"Therm.FanE/FanF", L"Therm.Fans", MSG_FAN_E_F},
    {L"Therm.FanG", L"Therm.Fans", MSG_FAN_G},
};

constexpr std::span<const Choice> kNoChoices;

// The rows of one kind, so that the table below reads as the settings do.
constexpr SettingDefinition TempLow(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::TempLow, group, SettingKind::Range, kNoChoices, -125, 125, MSG_TEMP_LOW,
        L"TempLow(Celsius)"};
}

constexpr SettingDefinition TempDelta(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::TempDelta, group, SettingKind::Choice, kTemperatureRanges, 0, 0,
        MSG_TEMP_DELTA, L"TempDelta(Celsius)"};
}

constexpr SettingDefinition TempAllOn(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::TempAllOn, group, SettingKind::Range, kNoChoices, -125, 125, MSG_TEMP_ALL_ON,
        L"TempAllOn(Celsius)"};
}

constexpr SettingDefinition ResponseTime(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::ResponseTime, group, SettingKind::Choice, kResponseTimes, 0, 0,
        MSG_RESPONSE_TIME, L"ResponseTime(Seconds)"};
}

constexpr SettingDefinition DutyZeroDelta(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::DutyZeroDelta, group, SettingKind::Range, kNoChoices, 0, 15,
        MSG_DUTY_ZERO_DELTA, L"DutyZeroDelta(Celsius)"};
}

constexpr SettingDefinition Mapping(const wchar_t* name, int index, const wchar_t* group, std::span<const Choice> list)
{
    return {name, index, SettingType::Mapping, group, SettingKind::Choice, list, 0, 0, MSG_MAPPING, L"Mapping"};
}

constexpr SettingDefinition DutyLow(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::DutyLow, group, SettingKind::Range, kNoChoices, 0, 100, MSG_DUTY_LOW,
        L"DutyLow(%)"};
}

constexpr SettingDefinition Frequency(const wchar_t* name, int index, const wchar_t* group)
{
    return {name, index, SettingType::Frequency, group, SettingKind::Choice, kFrequencies, 0, 0, MSG_FREQUENCY,
        L"Frequency(Hertz)"};
}

// Zone A has a response time and no DutyZeroDelta, zones B and C the other way round. Fan D
// is output 1, fan G output 2, fans E/F output 3.
constexpr SettingDefinition kSettings[] = {
    TempLow(L"Therm.ZoneA.TempLow", 1, L"Therm.ZoneA"),
    TempDelta(L"Therm.ZoneA.TempDelta", 1, L"Therm.ZoneA"),
    TempAllOn(L"Therm.ZoneA.TempAllOn", 1, L"Therm.ZoneA"),
    ResponseTime(L"Therm.ZoneA.TempResponseTime", 1, L"Therm.ZoneA"),
    TempLow(L"Therm.ZoneB.TempLow", 2, L"Therm.ZoneB"),
    TempDelta(L"Therm.ZoneB.TempDelta", 2, L"Therm.ZoneB"),
    DutyZeroDelta(L"Therm.ZoneB.DutyZeroDelta", 2, L"Therm.ZoneB"),
    TempAllOn(L"Therm.ZoneB.TempAllOn", 2, L"Therm.ZoneB"),
    TempLow(L"Therm.ZoneC.TempLow", 3, L"Therm.ZoneC"),
    TempDelta(L"Therm.ZoneC.TempDelta", 3, L"Therm.ZoneC"),
    DutyZeroDelta(L"Therm.ZoneC.DutyZeroDelta", 3, L"Therm.ZoneC"),
    TempAllOn(L"Therm.ZoneC.TempAllOn", 3, L"Therm.ZoneC"),
    Mapping(L"Therm.FanD.Mapping", 1, L"Therm.FanD", kZoneMappingOne),
    DutyLow(L"Therm.FanD.DutyLow", 1, L"Therm.FanD"),
    Frequency(L"Therm.FanD.Frequency", 1, L"Therm.FanD"),
    Mapping(L"Therm.FanE/FanF.Mapping", 3, L"Therm.FanE/FanF", kZoneMappingTwo),
    DutyLow(L"Therm.FanE/FanF.DutyLow", 3, L"Therm.FanE/FanF"),
    Frequency(L"Therm.FanE/FanF.Frequency", 3, L"Therm.FanE/FanF"),
    Mapping(L"Therm.FanG.Mapping", 2, L"Therm.FanG", kZoneMappingTwo),
    DutyLow(L"Therm.FanG.DutyLow", 2, L"Therm.FanG"),
    Frequency(L"Therm.FanG.Frequency", 2, L"Therm.FanG"),
};

} // namespace

std::span<const GroupDefinition> Groups()
{
    return kGroups;
}

std::span<const SettingDefinition> Settings()
{
    return kSettings;
}

const SettingDefinition* FindSetting(std::wstring_view name)
{
    for (const SettingDefinition& setting : kSettings) {
        if (name == setting.name) {
            return &setting;
        }
    }
    return nullptr;
}

std::span<const Choice> TemperatureRanges()
{
    return kTemperatureRanges;
}

std::span<const Choice> ResponseTimes()
{
    return kResponseTimes;
}

std::span<const Choice> ZoneMappingOne()
{
    return kZoneMappingOne;
}

std::span<const Choice> ZoneMappingTwo()
{
    return kZoneMappingTwo;
}

std::span<const Choice> Frequencies()
{
    return kFrequencies;
}

} // namespace cooling
