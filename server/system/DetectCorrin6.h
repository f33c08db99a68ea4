// Finding the board's hardware-monitor chip: record 1 of "QrvDataVar" lists the SMBus
// address of the first chip and must list no second or third.
#pragma once

#include <windows.h>

class CDetectCorrin6 {
public:
    // `present` TRUE with the chip's 7-bit address when record 1 lists a chip. Failures: the
    // record's (E_VARIABLE_NOT_FOUND when the variable or the record is absent), and
    // E_MONITOR_CHIPS (0x82390024, message 229) when a second or third chip is listed.
    HRESULT DetectASIC(BOOL* present, BYTE* address);
};

// How many chips the board has: S_OK with 0 or 1 (an absent description counts as none);
// S_FALSE with 0 when detection failed otherwise, so the count is unknown and callers treat
// the board as having no usable chip. `detection`, when given, receives DetectASIC's result.
HRESULT GetCorrinsPresent(ULONG* count, HRESULT* detection = nullptr);
