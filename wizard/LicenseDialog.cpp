#include "LicenseDialog.h"

#include "PayloadFiles.h"
#include "RebootDialog.h"
#include "Resource.h"

#include <richedit.h>

CLicenseDialog::CLicenseDialog(CTolvaDialog* previousPage) : CTolvaDialog(previousPage)
{
    m_pNextPage = std::make_unique<CRebootDialog>(this);
    ExtractRawFile(IDR_LICENSE_RTF, L"license.rtf");
}

bool CLicenseDialog::OnInitDialog()
{
    CTolvaDialog::OnInitDialog();
    SetItemText(IDC_TITLE, IDS_LICENSE_TITLE);
    SetItemText(IDC_BODY, IDS_LICENSE_TEXT);
    PlaceItem(IDC_BODY, 35, 50, 430, 25);
    EnableItem(IDC_BTN_NEXT, false);

    ::SendMessageW(Item(IDC_CHK_ACCEPT), BM_SETCHECK, BST_UNCHECKED, 0);
    PlaceItem(IDC_CHK_ACCEPT, 33, 305, 12, 12);
    ShowItem(IDC_CHK_ACCEPT);

    SetItemFont(IDC_ACCEPT_LABEL, L"Times", 10, RGB(0, 0, 0), false);
    SetItemText(IDC_ACCEPT_LABEL, IDS_ACCEPT_LABEL);
    PlaceItem(IDC_ACCEPT_LABEL, 53, 303, 150, 20);
    HWND label = Item(IDC_ACCEPT_LABEL);
    const LRESULT mask = ::SendMessageW(label, EM_GETEVENTMASK, 0, 0);
    ::SendMessageW(label, EM_SETEVENTMASK, 0, mask | ENM_MOUSEEVENTS);

    StreamRtfFile(IDC_DOC_VIEW, L"license.rtf");
    ::SendMessageW(Item(IDC_DOC_VIEW), EM_SETBKGNDCOLOR, 0, RGB(192, 192, 192));
    PlaceItem(IDC_DOC_VIEW, 35, 75, 425, 220);
    ShowItem(IDC_DOC_VIEW);
    ::SetFocus(Item(IDC_DOC_VIEW));
    return false;
}

void CLicenseDialog::OnControlCommand(int id, int code)
{
    if (id == IDC_CHK_ACCEPT && code == BN_CLICKED) {
        EnableNextByAgreement();
    }
}

// The label is a rich-edit control; it reports its mouse messages here, so that it acts as
// the check box's text: no caret, an arrow cursor, and a press toggles the box.
LRESULT CLicenseDialog::OnNotify(const NMHDR& header)
{
    if (header.idFrom != IDC_ACCEPT_LABEL || header.code != EN_MSGFILTER) {
        return 0;
    }
    const auto& filter = reinterpret_cast<const MSGFILTER&>(header);
    if (filter.msg < WM_MOUSEFIRST || filter.msg > WM_MOUSELAST) {
        return 0;
    }
    ::HideCaret(Item(IDC_ACCEPT_LABEL));
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    // A double click is a second press, as it is for the check box itself.
    if (filter.msg == WM_LBUTTONDOWN || filter.msg == WM_LBUTTONDBLCLK) {
        HWND box = Item(IDC_CHK_ACCEPT);
        const bool ticked = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        ::SendMessageW(box, BM_SETCHECK, ticked ? BST_UNCHECKED : BST_CHECKED, 0);
        EnableNextByAgreement();
    }
    // The label's own handling would select text and show a caret.
    return 1;
}

void CLicenseDialog::EnableNextByAgreement()
{
    const bool ticked = ::SendMessageW(Item(IDC_CHK_ACCEPT), BM_GETCHECK, 0, 0) == BST_CHECKED;
    EnableItem(IDC_BTN_NEXT, ticked);
}
