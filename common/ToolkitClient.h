// How a client reaches the toolkit object of PellamW.dll: by its ProgID, as any client
// does, so that the server registered on the machine answers. The wizard and the
// command-line front end share it.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <ServerLib.h>

inline constexpr wchar_t kToolkitProgId[] = L"Server.Toolkit.1";

// Creates the toolkit (the class registered for the ProgID), puts it into its running state
// and asks it for IToolkit. COM must be entered on the calling thread.
HRESULT CreateToolkitByProgId(Microsoft::WRL::ComPtr<IToolkit>& toolkit);
