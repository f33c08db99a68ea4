// Process-wide state of the wizard. One user-interface thread uses all of it.
#pragma once

#include <windows.h>
#include <ServerLib.h>

#include "ComObject.h"

class CTolvaDialog;

// The user's temporary folder (ends in a backslash): every carried file lives here.
extern wchar_t g_szWorkFolder[MAX_PATH];
// The current folder when the first page was built; restored when the first page goes.
extern wchar_t g_szSavedFolder[MAX_PATH];
// The connected server object, or null.
extern ComPtr<IToolkit> g_pToolkit;
// The page whose modal loop runs the wizard.
extern CTolvaDialog* g_pMainPage;
// The one readme page, shared by every page; lives until the process ends.
extern CTolvaDialog* g_pReadmePage;
