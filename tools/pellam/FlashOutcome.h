// After the restart that follows an armed capsule, the next run of pellam records in the
// history of changes whether the flash was applied, so that the history tells the truth about
// flashes as well as about settings.
#pragma once

#include "PellamRun.h"

namespace pellam {

// When the history's last flash has no outcome yet and the board shows one, appends a
// "flash applied" record for it. Never fails the run: what cannot be read leaves the flash
// waiting for a later run.
void RecordFlashOutcome(PellamRun& run);

// Whether the history's last flash has no outcome yet: a command that needs no toolkit, such
// as history, opens one only then.
bool HasPendingFlash();

} // namespace pellam
