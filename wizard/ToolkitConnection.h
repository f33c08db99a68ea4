// The connection to the server library PellamW.dll.
#pragma once

#include <windows.h>
#include <ServerLib.h>

// Writes the carried libraries, registers PellamW.dll from the work folder and creates the
// toolkit object into g_pToolkit (always anew, or only when none exists). g_pToolkit is
// null when anything fails. Leaves the work folder current.
void ConnectToolkit(bool createAlways);
// Releases g_pToolkit and leaves COM.
void ReleaseToolkit();

// Whether the board runs legacy firmware (family "KD31207R", version 170 or less), read
// from the firmware ID the server finds in the board's variables.
HRESULT IsLegacyFirmware(IBiosCapsule* capsule, bool& legacy);
