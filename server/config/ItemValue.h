// What a value assigned to a configuration item becomes in the item's own type. A script
// engine passes a number as whatever variant type it chose (VBScript a 16-bit integer for 7,
// both engines a double for 7.5, a check box's 0 as a number), while an INI file and the
// firmware take each type in one form only: a value is converted when it is assigned, and
// one that does not convert is refused there rather than by a later write.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <string_view>

// A number of any variant type, booleans and dates not counted.
bool IsNumberType(VARTYPE type);

// A whole number of 32 bits from a number of any variant type, or from text of decimal
// digits with an optional sign and blanks around it; false for a fraction, a number beyond
// 32 bits, a boolean and anything else.
bool ToWholeNumber(const VARIANT& value, LONG* number);

// On or off from a boolean or a number (any number but 0 is on); false for anything else.
bool ToSwitch(const VARIANT& value, bool* on);

// Whether a text can be an INI value and an 8-bit firmware string: one line, every character
// in the ANSI code page, at most `byteLimit` bytes there.
enum class TextFit { Fits, LineBreak, CodePage, TooLong };
TextFit FitText(std::wstring_view text, std::size_t byteLimit);
