#include "TolvaApp.h"

#include "ErrorBox.h"
#include "IntroDialog.h"
#include "Owners.h"
#include "Resource.h"
#include "ToolkitConnection.h"
#include "VerifyDialog.h"
#include "WizardRules.h"
#include "WizardState.h"
#include "WorkFolder.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> CommandLineArguments()
{
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> result;
    if (arguments) {
        result.assign(arguments, arguments + count);
        ::LocalFree(arguments);
    }
    return result;
}

} // namespace

int CTolvaApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    // The rich-edit 2.0 class of the page template; kept loaded for the whole run.
    static UniqueModule richEdit(::LoadLibraryW(L"riched20.dll"));

    if (FAILED(CheckOperatingSystem())) {
        ShowErrorBox(IDS_UNSUPPORTED_OS);
        return 0;
    }
    const int result = IsVerifyRun(CommandLineArguments()) ? RunVerify() : RunNormal();
    DestroyReadmePage();
    ReleaseToolkit();
    return result;
}

int CTolvaApp::RunVerify()
{
    auto status = std::make_unique<CVerifyDialog>();
    ConnectToolkit(false);
    ComPtr<IBiosCapsule> capsule;
    bool legacy = false;
    // A verify run that cannot reach the server or read the firmware ID has nothing to
    // report; it ends as a legacy board does, with the clean-up.
    const bool usable = g_pToolkit && SUCCEEDED(g_pToolkit->get_BiosCapsule(capsule.GetAddressOf())) &&
                        SUCCEEDED(IsLegacyFirmware(capsule.Get(), legacy));
    capsule.Reset();
    if (!usable || legacy) {
        CleanUpWorkFolder();
        return 0;
    }
    return static_cast<int>(status->DoModal());
}

int CTolvaApp::RunNormal()
{
    auto welcome = std::make_unique<CIntroDialog>();
    return static_cast<int>(welcome->DoModal());
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CTolvaApp application;
    return application.InitInstance();
}
