#include "ReadmeDialog.h"

#include "PayloadFiles.h"
#include "Resource.h"

#include <richedit.h>

CReadmeDialog::CReadmeDialog(CTolvaDialog* previousPage) : CTolvaDialog(previousPage)
{
    ExtractRawFile(IDR_README_RTF, L"Readme.rtf");
}

bool CReadmeDialog::OnInitDialog()
{
    CTolvaDialog::OnInitDialog();
    SetItemText(IDC_TITLE, IDS_README_TITLE);
    EnableItem(IDC_BTN_NEXT, false);
    EnableItem(IDC_BTN_README, false);
    StreamRtfFile(IDC_DOC_VIEW, L"Readme.rtf");
    ::SendMessageW(Item(IDC_DOC_VIEW), EM_SETBKGNDCOLOR, 0, RGB(192, 192, 192));
    PlaceItem(IDC_DOC_VIEW, 35, 50, 425, 250);
    ShowItem(IDC_DOC_VIEW);
    ::SetFocus(Item(IDC_DOC_VIEW));
    return false;
}
