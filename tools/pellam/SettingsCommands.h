// pellam settings and pellam set: the board's setup tokens and SMBIOS strings listed one by
// one, and single settings changed through the install's own steps (PellamShared.h).
#pragma once

#include "Arguments.h"

namespace pellam {

// settings [NAME|UQI|SMBIOS-KEY ...]: the typed listing of what the board holds.
int Settings(const cli::Arguments& arguments);
// set NAME|UQI|SMBIOS-KEY=VALUE ...: those settings changed, nothing else written.
int Set(const cli::Arguments& arguments);

} // namespace pellam
