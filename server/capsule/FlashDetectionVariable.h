// The flash detection variable "QRVFlashDetectionStatus": written just before an update is
// armed; firmware removes it when it applies the capsule, so finding it after the restart
// means that the update did not run.
#pragma once

#include <windows.h>

class CFlashDetectionVariable {
public:
    // Writes the variable (attributes 7, its own name in the ANSI code page and a zero byte).
    HRESULT Set();
    // True when the variable is gone. Any answer but "not found" counts as present.
    bool IsRemoved();
    // Deletes the variable; S_OK when it is gone afterwards (or was never there).
    HRESULT Remove();
};
