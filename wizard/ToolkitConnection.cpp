#include "ToolkitConnection.h"

#include "ComRegistrar.h"
#include "Owners.h"
#include "PayloadFiles.h"
#include "ToolkitClient.h"
#include "WizardRules.h"
#include "WizardState.h"

#include <string>

namespace {

// COM is entered once, at the first connection, and left once by the clean-up, so that
// initialisations and uninitialisations always pair.
bool g_comEntered = false;

void EnterCom()
{
    if (!g_comEntered && SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        g_comEntered = true;
    }
}

// The server loads its message library by name and keeps it while it is loaded itself. Once
// the server is unloaded, a message library still mapped has no user left; releasing it lets
// the clean-up delete it from the work folder.
void ReleaseOrphanedMessageLibrary()
{
    if (::GetModuleHandleW(L"PellamW.dll")) {
        return;
    }
    if (HMODULE messages = ::GetModuleHandleW(L"PellamWRes.dll")) {
        ::FreeLibrary(messages);
    }
}

} // namespace

void ConnectToolkit(bool createAlways)
{
    DropPayloadFiles();
    EnterCom();
    const std::wstring server = std::wstring(g_szWorkFolder) + L"PellamW.dll";
    CCOMRegistrar::RegisterServer(server.c_str());
    if (createAlways || !g_pToolkit) {
        g_pToolkit.Reset();
        CreateToolkitByProgId(g_pToolkit);
    }
    if (g_szWorkFolder[0]) {
        ::SetCurrentDirectoryW(g_szWorkFolder);
    }
}

void ReleaseToolkit()
{
    g_pToolkit.Reset();
    if (g_comEntered) {
        // Unload the server now, while COM is still entered: a library that stays mapped
        // cannot be deleted from the work folder.
        ::CoFreeUnusedLibrariesEx(0, 0);
        ::CoUninitialize();
        g_comEntered = false;
    }
    ReleaseOrphanedMessageLibrary();
}

HRESULT IsLegacyFirmware(IBiosCapsule* capsule, bool& legacy)
{
    legacy = false;
    if (!capsule) {
        return S_OK;
    }
    UniqueBstr firmwareId;
    const HRESULT hr = capsule->GetBiosIdFromVariable(firmwareId.put());
    if (FAILED(hr)) {
        return hr;
    }
    legacy = IsLegacyFirmwareId(std::wstring_view(firmwareId.c_str(), firmwareId.length()));
    return S_OK;
}
