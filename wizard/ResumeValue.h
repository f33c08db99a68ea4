// The RunOnce value "RVN" that brings the wizard back with VERIFY after the restart.
#pragma once

#include <string>

// The full path of the running program, however long.
std::wstring ProgramPath();

// Writes "\"<program path>\" VERIFY" to the value (64-bit registry view). Returns false,
// writing nothing, when the command does not fit in 260 characters: a cut command would
// start the wrong program or none. Registry failures are not reported: an update whose
// value cannot be written still runs, it is only not verified.
bool WriteResumeValue();
// Deletes the value; failures (such as an absent value) are ignored.
void DeleteResumeValue();
