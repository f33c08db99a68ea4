#include "WizardState.h"

wchar_t g_szWorkFolder[MAX_PATH];
wchar_t g_szSavedFolder[MAX_PATH];
ComPtr<IToolkit> g_pToolkit;
CTolvaDialog* g_pMainPage = nullptr;
CTolvaDialog* g_pReadmePage = nullptr;
