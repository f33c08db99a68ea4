// Exports of the capsule-update library substitute: the same names, arguments and status
// codes as the library that the server expects, backed by the emulated board named by
// FWSIM_STORE. Every export answers status 2 when no board store is configured or found.
// The real library restarts the machine after InvokeCapsule; here `fwsim reboot` does.
#pragma once

#include <cstdint>

extern "C" {

// Stages a copy of the capsule (a whole UEFI capsule of `size` bytes) for InvokeCapsule,
// replacing any staged one. `reserved` is neither read nor written and may be null.
// 3: null or empty capsule, or a capsule header that does not describe `size` bytes;
// 6: larger than the board keeps.
uint32_t __stdcall PrepareCapsule(const void* capsule, uint32_t size, uint32_t* reserved);
// Hands the staged capsule to the firmware for the next restart. `reserved` must be 0.
// 3: nothing staged.
uint32_t __stdcall InvokeCapsule(uint32_t reserved);
// The outcome of the last capsule update (0 applied); the call itself answers 0.
uint32_t __stdcall GetLastStatus(uint32_t* status);

}
