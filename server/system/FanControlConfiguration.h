// Whether the firmware runs a fan-control configuration of its own: then its cooling
// settings and fan-control payload are the firmware's, and reading, removing and installing
// them leave it alone. One rule for every caller.
#pragma once

#include "FirmwareVariables.h"

// The name of the first of "FSCConfigVar" and "FSCDefConfigVar" that exists (its size query
// answers a size, or success for a variable without data), or null when neither does. Only
// the size is asked for: the contents do not matter.
const wchar_t* FanControlConfiguration(IFirmwareVariables& variables);
