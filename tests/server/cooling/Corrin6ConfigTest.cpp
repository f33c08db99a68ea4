// The cooling tables and the chip's register image: the rows that the builders, the INI code
// and the installer share, the writers' encodings and limits, and that no writer touches a
// bit another setting owns.
#include "Corrin6Config.h"
#include "MessageIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

using namespace cooling;

namespace {

using Registers = std::array<uint8_t, 256>;

// A register file whose bytes differ from each other and from the defaults, so that a bit a
// writer should not touch shows when it moves.
Corrin6Config PatternImage()
{
    Registers registers{};
    for (size_t i = 0; i < registers.size(); ++i) {
        registers[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    return Corrin6Config::FromRegisters(registers);
}

// Every value each writer takes, in its own terms.
std::vector<double> AcceptedValues(SettingType type)
{
    std::vector<double> values;
    const auto range = [&](int first, int last) {
        for (int v = first; v <= last; ++v) {
            values.push_back(v);
        }
    };
    switch (type) {
    case SettingType::Frequency: range(0, 7); break;  // 8, "No change", writes nothing
    case SettingType::Mapping: range(0, 7); break;
    case SettingType::DutyZeroDelta: range(0, 15); break;
    case SettingType::TempLow: range(-125, 125); break;
    case SettingType::TempAllOn: range(-125, 125); values.push_back(128); break;
    case SettingType::DutyLow: range(0, 100); break;
    case SettingType::TempDelta:
        for (const Choice& choice : TemperatureRanges()) values.push_back(choice.number);
        break;
    case SettingType::ResponseTime:
        for (const Choice& choice : ResponseTimes()) values.push_back(choice.number);
        break;
    }
    return values;
}

// The image bytes each type writes for index 1 (index 2 and 3 follow), as the chip's
// register map has them.
std::vector<size_t> BytesOf(SettingType type, int index)
{
    const size_t at = static_cast<size_t>(index - 1);
    switch (type) {
    case SettingType::Mapping: return {5 + at};
    case SettingType::Frequency:
    case SettingType::TempDelta: return {8 + at, 11 + at};
    case SettingType::ResponseTime: return {index == 1 ? 14u : 16u};
    case SettingType::DutyLow: return {18 + at};
    case SettingType::TempLow: return {21 + at};
    case SettingType::TempAllOn: return {24 + at};
    case SettingType::DutyZeroDelta: return {index == 3 ? 28u : 27u};
    }
    return {};
}

constexpr SettingType kTypes[] = {SettingType::Frequency, SettingType::DutyZeroDelta, SettingType::TempAllOn,
    SettingType::DutyLow, SettingType::TempDelta, SettingType::ResponseTime, SettingType::TempLow, SettingType::Mapping};

TEST(CoolingTables, NineGroupsAndTwentyOneSettingsInTheirOrder)
{
    const wchar_t* const groups[] = {L"Therm.root", L"Therm.Zones", L"Therm.Fans", L"Therm.ZoneA", L"Therm.ZoneB",
        L"Therm.ZoneC", L"Therm.FanD", L"Therm.FanE/FanF", L"Therm.FanG"};
    const unsigned titles[] = {MSG_COOLING_PRODUCT, MSG_ZONES, MSG_FANS, 194, 195, 196, 198, 199, MSG_FAN_G};
    ASSERT_EQ(Groups().size(), 9u);
    EXPECT_EQ(Groups()[0].parent, nullptr);
    for (size_t i = 0; i < Groups().size(); ++i) {
        EXPECT_EQ(std::wstring(Groups()[i].name), groups[i]);
        EXPECT_EQ(Groups()[i].titleMessage, titles[i]) << i;
        // Every parent is created before its children.
        EXPECT_TRUE(i == 0 || std::any_of(Groups().begin(), Groups().begin() + i,
                                  [&](const GroupDefinition& g) { return std::wstring(g.name) == Groups()[i].parent; }));
    }

    ASSERT_EQ(Settings().size(), 21u);
    const wchar_t* const order[] = {L"TempLow", L"TempDelta", L"TempAllOn", L"TempResponseTime", L"TempLow",
        L"TempDelta", L"DutyZeroDelta", L"TempAllOn", L"TempLow", L"TempDelta", L"DutyZeroDelta", L"TempAllOn",
        L"Mapping", L"DutyLow", L"Frequency", L"Mapping", L"DutyLow", L"Frequency", L"Mapping", L"DutyLow",
        L"Frequency"};
    // Fan D is output 1, fans E/F output 3, fan G output 2.
    const int indices[] = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 1, 1, 1, 3, 3, 3, 2, 2, 2};
    for (size_t i = 0; i < Settings().size(); ++i) {
        const SettingDefinition& setting = Settings()[i];
        EXPECT_EQ(std::wstring(setting.name), std::wstring(setting.group) + L"." + order[i]);
        EXPECT_EQ(setting.index, indices[i]) << i;
        EXPECT_EQ(FindSetting(setting.name), &setting);
    }
    EXPECT_EQ(FindSetting(L"Therm.ZoneA.DutyZeroDelta"), nullptr);

    // The rest of a row follows from its type (and, for Mapping, from its fan).
    struct Row {
        SettingKind kind;
        int minimum, maximum;
        unsigned title;
        const wchar_t* keyword;
        std::span<const Choice> choices;
    };
    const auto rowOf = [](const SettingDefinition& setting) -> Row {
        switch (setting.type) {
        case SettingType::TempLow: return {SettingKind::Range, -125, 125, 201, L"TempLow(Celsius)", {}};
        case SettingType::TempDelta: return {SettingKind::Choice, 0, 0, 202, L"TempDelta(Celsius)", TemperatureRanges()};
        case SettingType::TempAllOn: return {SettingKind::Range, -125, 125, 203, L"TempAllOn(Celsius)", {}};
        case SettingType::ResponseTime: return {SettingKind::Choice, 0, 0, 204, L"ResponseTime(Seconds)", ResponseTimes()};
        case SettingType::DutyZeroDelta: return {SettingKind::Range, 0, 15, 205, L"DutyZeroDelta(Celsius)", {}};
        case SettingType::Mapping:
            return {SettingKind::Choice, 0, 0, 206, L"Mapping", setting.index == 1 ? ZoneMappingOne() : ZoneMappingTwo()};
        case SettingType::DutyLow: return {SettingKind::Range, 0, 100, 207, L"DutyLow(%)", {}};
        case SettingType::Frequency: return {SettingKind::Choice, 0, 0, 208, L"Frequency(Hertz)", Frequencies()};
        }
        return {};
    };
    for (const SettingDefinition& setting : Settings()) {
        const Row row = rowOf(setting);
        EXPECT_EQ(setting.kind, row.kind) << setting.name;
        EXPECT_EQ(setting.titleMessage, row.title) << setting.name;
        EXPECT_EQ(std::wstring(setting.keyword), row.keyword);
        EXPECT_EQ(setting.choices.data(), row.choices.data()) << setting.name;
        if (setting.kind == SettingKind::Range) {
            EXPECT_EQ(setting.minimum, row.minimum);
            EXPECT_EQ(setting.maximum, row.maximum);
        }
    }
}

TEST(CoolingTables, ChoiceListsAndTheCodesOfTheirInternalValues)
{
    EXPECT_EQ(TemperatureRanges().size(), 16u);
    EXPECT_EQ(TemperatureRanges()[14].number, 53.33);
    EXPECT_EQ(ResponseTimes().size(), 9u);
    EXPECT_EQ(ResponseTimes()[1].number, 0.8);
    EXPECT_EQ(ZoneMappingOne().size(), 3u);
    EXPECT_EQ(std::wstring(ZoneMappingOne()[1].text), L"ZoneA/ZoneB/ZoneC");
    EXPECT_EQ(std::wstring(ZoneMappingOne()[1].internal), L"3");
    EXPECT_EQ(ZoneMappingTwo().size(), 5u);
    EXPECT_EQ(std::wstring(ZoneMappingTwo()[3].text), L"ZoneB/ZoneC");
    EXPECT_EQ(std::wstring(ZoneMappingTwo()[3].internal), L"4");
    EXPECT_EQ(Frequencies().size(), 9u);
    EXPECT_EQ(std::wstring(Frequencies()[0].text), L"No change");
    EXPECT_EQ(std::wstring(Frequencies()[8].internal), L"8");

    const uint8_t mapping[] = {0, 1, 2, 6, 5, 3};
    const uint8_t frequency[] = {8, 0, 1, 2, 3, 4, 5, 6, 7};
    for (int internal = 0; internal < 9; ++internal) {
        if (internal < 6) {
            EXPECT_EQ(MappingCode(internal), mapping[internal]);
            EXPECT_EQ(MappingInternalValue(mapping[internal]), internal);
        }
        EXPECT_EQ(FrequencyCode(internal), frequency[internal]);
        EXPECT_EQ(FrequencyInternalValue(frequency[internal]), internal);
    }
    EXPECT_EQ(MappingCode(6), std::nullopt);
    EXPECT_EQ(MappingCode(-1), std::nullopt);
    EXPECT_EQ(FrequencyCode(9), std::nullopt);
    EXPECT_EQ(MappingInternalValue(4), std::nullopt) << "no internal value has behaviour 4";
}

TEST(Corrin6Config, WritersEncodeTheirEdgesAndRefuseWhatIsPast)
{
    Corrin6Config image;
    double used = -1;
    EXPECT_EQ(image.Write(SettingType::DutyLow, 1, 100, &used), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[18], 255);
    EXPECT_EQ(used, 255);
    EXPECT_EQ(image.Write(SettingType::DutyLow, 2, 50, &used), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[19], 128) << "127.5 computed a little below, rounded up";
    EXPECT_EQ(image.Write(SettingType::DutyLow, 3, 1), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[20], 3);
    EXPECT_EQ(image.Write(SettingType::TempLow, 1, -125), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[21], 0x83);
    EXPECT_EQ(image.Write(SettingType::TempAllOn, 3, 128), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[26], 0x80);
    EXPECT_EQ(image.Read(SettingType::TempAllOn, 3), 128.0);

    const Corrin6Config before = image;
    EXPECT_EQ(image.Write(SettingType::DutyLow, 1, 101), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::DutyLow, 1, -0.5), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::TempLow, 1, -126), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::TempLow, 1, 128), WriteResult::OutOfRange) << "only TempAllOn takes 128";
    EXPECT_EQ(image.Write(SettingType::TempAllOn, 1, 126), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::TempLow, 1, 20.5), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::DutyZeroDelta, 2, 16), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::Mapping, 1, 8), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::Frequency, 1, 9), WriteResult::OutOfRange);
    EXPECT_EQ(image.Write(SettingType::TempLow, 0, 20), WriteResult::BadIndex);
    EXPECT_EQ(image.Write(SettingType::TempLow, 4, 20), WriteResult::BadIndex);
    EXPECT_EQ(image.Write(SettingType::TempLow, -2, 20), WriteResult::BadIndex);
    // Only exact list values; the nearest one is never taken in their place.
    EXPECT_EQ(image.Write(SettingType::TempDelta, 1, 3.3), WriteResult::NotInList);
    EXPECT_EQ(image.Write(SettingType::ResponseTime, 1, 5), WriteResult::NotInList);
    EXPECT_EQ(image.Write(SettingType::ResponseTime, 1, std::numeric_limits<double>::quiet_NaN()), WriteResult::NotInList);
    EXPECT_EQ(image.Bytes(), before.Bytes()) << "a refused value changes nothing";
    EXPECT_EQ(image.WrittenBits(), before.WrittenBits());
    EXPECT_EQ(image.Read(SettingType::TempLow, 0), std::nullopt);

    EXPECT_EQ(image.Write(SettingType::TempDelta, 2, 53.33, &used), WriteResult::Ok);
    EXPECT_EQ(used, 53.33);
    EXPECT_EQ(image.Bytes()[9] >> 4, 14) << "position in the list";
    EXPECT_EQ(image.Bytes()[12] >> 4, 7) << "the second range code is half the position";

    EXPECT_FALSE(image.SetAddress(0));
    EXPECT_FALSE(image.SetAddress(0x80));
    EXPECT_TRUE(image.SetAddress(0x2E));
    EXPECT_EQ(image.Address(), 0x2E);
}

TEST(Corrin6Config, ResponseTimeCodesCountFromTheSlowestAndZeroTurnsTheResponseOff)
{
    Corrin6Config image;
    ASSERT_EQ(image.Write(SettingType::ResponseTime, 1, 35), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::ResponseTime, 2, 0.8), WriteResult::Ok);
    ASSERT_EQ(image.Write(SettingType::ResponseTime, 3, 11.8), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[14] & 0x0F, 0x08);
    EXPECT_EQ(image.Bytes()[16], 0xFA);
    ASSERT_EQ(image.Write(SettingType::ResponseTime, 2, 0), WriteResult::Ok);
    EXPECT_EQ(image.Bytes()[16], 0x7A) << "only index 2's enable bit cleared";
    EXPECT_EQ(image.Read(SettingType::ResponseTime, 2), 0.0);
}

TEST(Corrin6Config, EveryWriterChangesOnlyItsOwnBitsAndEveryOtherSettingReadsAsBefore)
{
    for (SettingType type : kTypes) {
        for (int index = 1; index <= 3; ++index) {
            for (double value : AcceptedValues(type)) {
                Corrin6Config image = PatternImage();
                const Corrin6Config before = image;
                double used = 0;
                ASSERT_EQ(image.Write(type, index, value, &used), WriteResult::Ok);
                const std::string where = "type " + std::to_string(static_cast<int>(type)) + " index " +
                                          std::to_string(index) + " value " + std::to_string(value);
                EXPECT_EQ(image.Read(type, index), value) << where;
                const std::vector<size_t> own = BytesOf(type, index);
                for (size_t n = 0; n < kImageBytes; ++n) {
                    const uint8_t changed = image.Bytes()[n] ^ before.Bytes()[n];
                    EXPECT_EQ(changed & ~image.WrittenBits()[n], 0) << where << ": byte " << n << " changed unmarked bits";
                    if (std::find(own.begin(), own.end(), n) == own.end()) {
                        EXPECT_EQ(image.WrittenBits()[n], 0) << where << ": byte " << n << " is not its own";
                    }
                }
                for (SettingType other : kTypes) {
                    for (int otherIndex = 1; otherIndex <= 3; ++otherIndex) {
                        if (other != type || otherIndex != index) {
                            EXPECT_EQ(image.Read(other, otherIndex), before.Read(other, otherIndex)) << where;
                        }
                    }
                }
            }
        }
    }
}

TEST(Corrin6Config, EveryOutputMeansIndicesOneAndTwoAndNoChangeWritesNothing)
{
    Corrin6Config image = PatternImage();
    const Corrin6Config before = image;
    ASSERT_EQ(image.Write(SettingType::DutyLow, kEveryOutput, 40), WriteResult::Ok);
    EXPECT_EQ(image.Read(SettingType::DutyLow, 1), 40.0);
    EXPECT_EQ(image.Read(SettingType::DutyLow, 2), 40.0);
    EXPECT_EQ(image.Read(SettingType::DutyLow, 3), before.Read(SettingType::DutyLow, 3));

    image = before;
    double used = 0;
    ASSERT_EQ(image.Write(SettingType::Frequency, kEveryOutput, kFrequencyUnchanged, &used), WriteResult::Ok);
    EXPECT_EQ(used, kFrequencyUnchanged);
    EXPECT_EQ(image.Bytes(), before.Bytes());
    EXPECT_EQ(image.WrittenBits(), (std::array<uint8_t, kImageBytes>{})) << "the sequence leaves the frequency alone";

    image.TieProcessorToControlZone();
    EXPECT_EQ(image.Bytes()[0] & 0x03, 0);
    EXPECT_EQ(image.WrittenBits()[0], 0x03);
}

} // namespace
