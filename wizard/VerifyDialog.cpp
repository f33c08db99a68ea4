#include "VerifyDialog.h"

#include "Resource.h"
#include "UpdateFlow.h"
#include "WizardState.h"
#include "WorkFolder.h"

CVerifyDialog::CVerifyDialog() : CTolvaDialog(nullptr)
{
    if (!g_pMainPage) {
        g_pMainPage = this;
    }
}

bool CVerifyDialog::OnInitDialog()
{
    const bool result = CTolvaDialog::OnInitDialog();
    SetItemText(IDC_TITLE, IDS_STATUS_TITLE);
    SetItemText(IDC_BTN_NEXT, IDS_FINISH);
    EnableItem(IDC_BTN_BACK, false);
    EnableItem(IDC_BTN_CANCEL, false);
    const bool flashed = CheckFlashResult();
    SetItemFont(IDC_BODY, L"Times", 11, flashed ? RGB(0, 0, 0) : RGB(160, 40, 20), false);
    SetItemText(IDC_BODY, flashed ? IDS_FLASH_SUCCEEDED : IDS_FLASH_FAILED);
    PlaceItem(IDC_BODY, 35, 50, 430, 250);
    return result;
}

void CVerifyDialog::OnNext()
{
    ::ShowWindow(Window(), SW_HIDE);
    CleanUpWorkFolder();
    if (g_pMainPage) {
        g_pMainPage->EndDialog(IDOK);
    }
}
