// CBIOSModifiedFlag: marks the firmware as changed by the server (bit 0 of "QrvBiosModVar").
// Every successful install step, payload install and removal asks for it; the variable is
// touched once per process whatever the outcome, so a board whose flag cannot be written
// is not retried on every component (ProcessState.h keeps the attempt).
#pragma once

#include "FirmwareVariables.h"

#include <windows.h>

class CBIOSModifiedFlag {
public:
    // S_OK once bit 0 is set in the firmware; E_FAIL (after OnBIOSModifiedFlagSetFailure and
    // the warning flag) when the variable could not be read or written. Later calls in the
    // process answer the first call's result without touching the firmware.
    static HRESULT SetFlag();

    // Whether bit 0 is set in the firmware's variable now (false when the variable is absent),
    // read from `variables` without writing anything. E_FAIL when it cannot be read.
    static HRESULT IsSet(IFirmwareVariables& variables, bool& set);
};
