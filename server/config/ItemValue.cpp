#include "ItemValue.h"

#include "IniCodePage.h"
#include "Owners.h"

#include <climits>
#include <cmath>
#include <string>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool WholeNumberText(std::wstring_view text, LONG* number)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    const bool negative = !text.empty() && text.front() == L'-';
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        text.remove_prefix(1);
    }
    // Eleven digits already pass any 32-bit number; the limit keeps the sum from overflowing.
    if (text.empty() || text.size() > 11) {
        return false;
    }
    long long magnitude = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        magnitude = magnitude * 10 + (c - L'0');
    }
    const long long signedNumber = negative ? -magnitude : magnitude;
    if (signedNumber < LONG_MIN || signedNumber > LONG_MAX) {
        return false;
    }
    *number = static_cast<LONG>(signedNumber);
    return true;
}

bool ToDouble(const VARIANT& value, double* number)
{
    UniqueVariant converted;
    if (FAILED(::VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_R8))) {
        return false;
    }
    *number = V_R8(converted.get());
    return true;
}

} // namespace

bool IsNumberType(VARTYPE type)
{
    switch (type) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

bool ToWholeNumber(const VARIANT& value, LONG* number)
{
    if (V_VT(&value) == VT_BSTR) {
        const BSTR text = V_BSTR(&value);
        return WholeNumberText(std::wstring_view(text ? text : L"", ::SysStringLen(text)), number);
    }
    double real = 0;
    if (!IsNumberType(V_VT(&value)) || !ToDouble(value, &real)) {
        return false;
    }
    // A fraction is refused rather than rounded: 7.5 is no setting's value.
    if (!std::isfinite(real) || std::floor(real) != real || real < LONG_MIN || real > LONG_MAX) {
        return false;
    }
    *number = static_cast<LONG>(real);
    return true;
}

bool ToSwitch(const VARIANT& value, bool* on)
{
    if (V_VT(&value) == VT_BOOL) {
        *on = V_BOOL(&value) != VARIANT_FALSE;
        return true;
    }
    double real = 0;
    if (!IsNumberType(V_VT(&value)) || !ToDouble(value, &real)) {
        return false;
    }
    *on = real != 0;
    return true;
}

TextFit FitText(std::wstring_view text, std::size_t byteLimit)
{
    if (text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos) {
        return TextFit::LineBreak;
    }
    std::string bytes;
    if (!WideToAnsi(text, &bytes)) {
        return TextFit::CodePage;
    }
    return bytes.size() > byteLimit ? TextFit::TooLong : TextFit::Fits;
}
