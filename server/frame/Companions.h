// Where the server finds its companion libraries: the message library, the firmware-variable
// library, the capsule-update library, and the engine library it registers when the engine
// class is missing. A script user registers the server in the folder where it lies, while the
// toolkit makes the host program's folder current (for scripts, the folder of the script
// host), so the server's own folder is looked in first; then the library is loaded by its bare
// name, which finds the copies in the wizard's work folder (the host's folder and the current
// folder there) and on the search path.
#pragma once

#include <windows.h>

#include <string>

// The folder of the module that holds the server's code, ending in a backslash; empty when
// it cannot be determined.
std::wstring ServerFolder();

// The full path of `name` in the server's folder when that file exists there; empty otherwise.
std::wstring CompanionInServerFolder(const wchar_t* name);

// Loads `name` from the server's folder, or else by bare name; null when neither loads.
HMODULE LoadCompanionLibrary(const wchar_t* name);
