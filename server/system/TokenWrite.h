// The one path by which a setup token's value reaches the firmware: the check of a value
// against its question and the bytes laid into the token's variable (and, for "Setup",
// into "OemDefault"). The token installer and the configuration-point install share it.
#pragma once

#include "HiiSetting.h"
#include "InstallEFIVar.h"

#include <windows.h>

#include <span>
#include <string>

namespace TokenWrite {

// Bytes one value of the question takes: one per entry of an ordered list, one for a check
// box (read and written alike), else the question's width.
BYTE ValueWidth(const HII_SETTING& setting);
// Entries an ordered list holds (1 for the other kinds).
size_t ValueCount(const HII_SETTING& setting);
// Whether the question takes `value`: an option of a one-of or ordered list, 0 or 1 for a
// check box, a number between the minimum and maximum (both included).
bool Accepts(const HII_SETTING& setting, LONG value);
// The index of the first value the question does not take, or -1.
long FirstRefused(const HII_SETTING& setting, std::span<const LONG> values);

// The value of `width` bytes (at most four) at `offset`, least significant first: the layout
// WriteValues writes. False when they lie past the end.
bool ReadValue(std::span<const BYTE> bytes, size_t offset, BYTE width, LONG& value);

// Whether the question's bytes lie inside its variable as the collector holds it. An
// absent variable answers E_VARIABLE_NOT_FOUND.
HRESULT FitsVariable(CInstallEFIVar& collector, const HII_SETTING& setting, size_t count, bool& fits);
// Lays `values` into the collector: value i's bytes, least significant first, from offset
// + i * width; each byte set in "Setup" is set in "OemDefault" too.
HRESULT WriteValues(CInstallEFIVar& collector, const HII_SETTING& setting, std::span<const LONG> values);
// Writes one byte-wide (or wider) control value at a place of its own (the lock/hide byte).
HRESULT WriteBytes(CInstallEFIVar& collector, const GUID& guid, const std::wstring& name, ULONG offset, BYTE width,
    LONG value);

// The token events, with the UQI as the events carry it (terminated UTF-16 units).
void FireBadValue(const std::wstring& uqi, const std::wstring& name, long index);
void FireUqiNotOnSystem(const std::wstring& uqi);
void FireNotLockable(const std::wstring& uqi, const std::wstring& name);
void FireNotHideable(const std::wstring& uqi, const std::wstring& name);
void FireLockHideSameTime(const std::wstring& uqi, const std::wstring& name);

} // namespace TokenWrite
