// The cooling component's fixed tables: the nine groups of the cooling tree, the 21 settings
// of the hardware-monitor chip with their kinds, ranges and choice lists, and where each
// lives in an INI file. Plain data without Windows headers; the builders, the INI writer and
// the installer all read these, so a setting is described once.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace cooling {

// Which register writer of the chip's image a setting goes to.
enum class SettingType : uint8_t {
    Frequency = 0,
    DutyZeroDelta = 1,
    TempAllOn = 2,
    DutyLow = 3,
    TempDelta = 4,
    ResponseTime = 5,
    TempLow = 6,
    Mapping = 7,
};

enum class SettingKind : uint8_t {
    Choice = 1,  // one value of a list
    Range = 3,   // a whole number between a minimum and a maximum
};

// One choice of a list. A choice without text shows its number (a double); a choice with
// text shows the text and carries an internal value (a decimal number as text).
struct Choice {
    const wchar_t* text;      // nullptr: the choice is `number`
    double number;            // the shown number when `text` is nullptr
    const wchar_t* internal;  // nullptr: no internal value
};

struct GroupDefinition {
    const wchar_t* name;
    const wchar_t* parent;  // nullptr for the root of the cooling tree
    unsigned titleMessage;
};

struct SettingDefinition {
    const wchar_t* name;
    int index;  // the zone or fan output, 1 to 3
    SettingType type;
    const wchar_t* group;  // the owning group's name, which is also the INI section
    SettingKind kind;
    std::span<const Choice> choices;  // kind Choice
    int minimum;                      // kind Range
    int maximum;                      // kind Range
    unsigned titleMessage;
    const wchar_t* keyword;  // the INI keyword
};

// The nine groups in the order they are created; the first is the root.
std::span<const GroupDefinition> Groups();
// The 21 settings in the order they are created.
std::span<const SettingDefinition> Settings();
// The setting of that name (exact match), or nullptr.
const SettingDefinition* FindSetting(std::wstring_view name);

// The choice lists, by name, for the tests and the image readers.
std::span<const Choice> TemperatureRanges();  // 16 numbers, 2 to 80 degrees
std::span<const Choice> ResponseTimes();      // 9 numbers, 0 to 35 seconds
std::span<const Choice> ZoneMappingOne();     // fan D
std::span<const Choice> ZoneMappingTwo();     // fans E/F and G
std::span<const Choice> Frequencies();        // "No change", "~10" ... "~94"

} // namespace cooling
