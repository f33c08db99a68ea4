#include "CoolingValues.h"

#include "config/VariantValues.h"

#include <charconv>
#include <cmath>
#include <cwctype>
#include <string_view>

using cooling::Choice;
using cooling::SettingDefinition;
using cooling::SettingKind;
using cooling::SettingType;

namespace {

bool IsCodeSetting(const SettingDefinition& setting)
{
    return setting.type == SettingType::Mapping || setting.type == SettingType::Frequency;
}

std::optional<uint8_t> CodeOf(const SettingDefinition& setting, const Choice& choice)
{
    const std::optional<int> internal = InternalNumber(choice);
    if (!internal) {
        return std::nullopt;
    }
    return setting.type == SettingType::Mapping ? cooling::MappingCode(*internal) : cooling::FrequencyCode(*internal);
}

// The text in 8-bit characters, or empty when it holds anything but digits, signs, points
// and exponents: numbers are read the same way whatever the user's locale.
std::string NumberText(std::wstring_view text)
{
    while (!text.empty() && std::iswspace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::iswspace(text.back())) {
        text.remove_suffix(1);
    }
    std::string narrow;
    for (wchar_t c : text) {
        if (!(std::iswdigit(c) || c == L'-' || c == L'+' || c == L'.' || c == L'e' || c == L'E')) {
            return {};
        }
        narrow.push_back(static_cast<char>(c));
    }
    if (!narrow.empty() && narrow.front() == '+') {
        narrow.erase(0, 1);
    }
    return narrow;
}

template <typename Number>
bool ReadNumber(std::wstring_view text, Number& number)
{
    const std::string narrow = NumberText(text);
    if (narrow.empty()) {
        return false;
    }
    const char* end = narrow.data() + narrow.size();
    const auto [stop, error] = std::from_chars(narrow.data(), end, number);
    return error == std::errc() && stop == end;
}

} // namespace

HRESULT ShownChoice(const Choice& choice, UniqueVariant& value)
{
    if (choice.text) {
        return TextVariant(choice.text, value);
    }
    value = DoubleVariant(choice.number);
    return S_OK;
}

std::optional<int> InternalNumber(const Choice& choice)
{
    int number = 0;
    if (!choice.internal || !ReadNumber(choice.internal, number)) {
        return std::nullopt;
    }
    return number;
}

HRESULT ValueFromImage(const SettingDefinition& setting, const cooling::Corrin6Config& image, UniqueVariant& value)
{
    const std::optional<double> held = image.Read(setting.type, setting.index);
    if (!held) {
        return E_FAIL;
    }
    if (setting.kind == SettingKind::Range) {
        value = IntegerVariant(static_cast<LONG>(std::lround(*held)));
        return S_OK;
    }
    for (const Choice& choice : setting.choices) {
        const bool same = IsCodeSetting(setting) ? CodeOf(setting, choice) == std::optional<uint8_t>(static_cast<uint8_t>(*held))
                                                 : !choice.text && choice.number == *held;
        // "No change" writes nothing, so no image holds it: the code it stands for belongs to
        // the frequency the chip keeps.
        if (same && !(setting.type == SettingType::Frequency && CodeOf(setting, choice) == cooling::kFrequencyUnchanged)) {
            return ShownChoice(choice, value);
        }
    }
    return E_FAIL;
}

const Choice* MatchChoice(const SettingDefinition& setting, const VARIANT& value)
{
    for (const Choice& choice : setting.choices) {
        if (choice.text) {
            if (V_VT(&value) == VT_BSTR && V_BSTR(&value) && _wcsicmp(V_BSTR(&value), choice.text) == 0) {
                return &choice;
            }
            continue;
        }
        // Text is never a number choice: "3.33" would be read by the user's locale.
        UniqueVariant number;
        if (V_VT(&value) != VT_BSTR &&
            SUCCEEDED(::VariantChangeType(number.get(), const_cast<VARIANT*>(&value), 0, VT_R8)) &&
            V_R8(number.get()) == choice.number) {
            return &choice;
        }
    }
    return nullptr;
}

std::wstring CoolingText(const VARIANT& value)
{
    switch (V_VT(&value)) {
    case VT_BSTR:
        return V_BSTR(&value) ? std::wstring(V_BSTR(&value), ::SysStringLen(V_BSTR(&value))) : std::wstring();
    case VT_R8: {
        char text[32] = {};
        const auto [end, error] = std::to_chars(text, text + sizeof text, V_R8(&value));
        return error == std::errc() ? std::wstring(text, end) : std::wstring();
    }
    default: {
        UniqueVariant number;
        if (FAILED(::VariantChangeType(number.get(), const_cast<VARIANT*>(&value), 0, VT_I4))) {
            return {};
        }
        return std::to_wstring(V_I4(number.get()));
    }
    }
}

bool ParseCoolingText(const SettingDefinition& setting, const std::wstring& text, UniqueVariant& value)
{
    if (setting.kind == SettingKind::Range) {
        int number = 0;
        if (!ReadNumber(text, number)) {
            return false;
        }
        value = IntegerVariant(number);
        return true;
    }
    if (IsCodeSetting(setting)) {
        return SUCCEEDED(TextVariant(text, value));
    }
    double number = 0;
    if (!ReadNumber(text, number)) {
        return false;
    }
    value = DoubleVariant(number);
    return true;
}
