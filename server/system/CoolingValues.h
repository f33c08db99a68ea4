// The cooling settings' values as configuration items hold them: a whole number for a range,
// a double for a number choice, the text for a text choice. Between those and the chip's
// register image (the writers' numbers) and INI text, one set of conversions for the
// builders, the INI writer and the installer.
#pragma once

#include "cooling/Corrin6Config.h"
#include "cooling/CoolingTables.h"

#include "Owners.h"

#include <optional>
#include <string>

// A choice as an item shows it: its text, or its number as a double (VT_R8).
HRESULT ShownChoice(const cooling::Choice& choice, UniqueVariant& value);

// What the image holds for a setting, as the item's value. E_FAIL when the image holds a
// code that no choice of the setting stands for.
HRESULT ValueFromImage(const cooling::SettingDefinition& setting, const cooling::Corrin6Config& image,
    UniqueVariant& value);

// The choice of the setting that `value` (an item's value) is, or nullptr.
const cooling::Choice* MatchChoice(const cooling::SettingDefinition& setting, const VARIANT& value);

// The number that a choice's internal value holds ("3" is 3); nullopt for none or not a number.
std::optional<int> InternalNumber(const cooling::Choice& choice);

// An item's value as INI text: a whole number in decimal, a double in its shortest form with
// a point ("3.33", "0.8"), text as it is. Independent of the user's locale.
std::wstring CoolingText(const VARIANT& value);

// INI text as an item's value for the setting: a whole number for a range, a double for a
// number choice, the text for a text choice. False when the text is not of that form.
bool ParseCoolingText(const cooling::SettingDefinition& setting, const std::wstring& text, UniqueVariant& value);
