#include "IntroDialog.h"

#include "LicenseDialog.h"
#include "Resource.h"
#include "WizardState.h"

CIntroDialog::CIntroDialog() : CTolvaDialog(nullptr)
{
    g_pMainPage = this;
    m_pNextPage = std::make_unique<CLicenseDialog>(this);
}

bool CIntroDialog::OnInitDialog()
{
    const bool result = CTolvaDialog::OnInitDialog();
    SetItemText(IDC_TITLE, IDS_WELCOME_TITLE);
    SetItemText(IDC_BODY, IDS_WELCOME_TEXT);
    PlaceItem(IDC_BODY, 35, 50, 430, 250);
    return result;
}
