#include "RebootDialog.h"

#include "ErrorBox.h"
#include "Resource.h"
#include "UpdateFlow.h"
#include "VerifyDialog.h"

CRebootDialog::CRebootDialog(CTolvaDialog* previousPage) : CTolvaDialog(previousPage)
{
    // Built for the chain's shape; a normal run never shows it.
    m_pNextPage = std::make_unique<CVerifyDialog>();
}

bool CRebootDialog::OnInitDialog()
{
    const bool result = CTolvaDialog::OnInitDialog();
    SetItemText(IDC_TITLE, IDS_REBOOT_TITLE);
    SetItemText(IDC_BODY, IDS_REBOOT_TEXT);
    PlaceItem(IDC_BODY, 35, 50, 430, 250);
    SetItemText(IDC_BTN_NEXT, IDS_UPDATE);
    return result;
}

// Update. The run blocks the user interface until the capsule is armed or refused.
void CRebootDialog::OnNext()
{
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    const HRESULT result = RunUpdate();
    ::SetCursor(previous);
    if (result == UPDATE_ARMED) {
        // The capsule-update component restarts the machine; the wizard waits unseen.
        EndDialog(IDOK);
        return;
    }
    EnableItem(IDC_BTN_NEXT, false);
    if (result == UPDATE_INCOMPATIBLE) {
        ShowErrorBox(IDS_INCOMPATIBLE);
    } else if (result == UPDATE_FAILED) {
        ShowErrorBox(IDS_CORRUPTED);
    } else {
        ShowErrorBox(IDS_UNKNOWN_ERROR);
    }
}
