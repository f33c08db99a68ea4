// The readme page, reachable from every page; Back returns to the page it was opened from.
#pragma once

#include "TolvaDialog.h"

class CReadmeDialog : public CTolvaDialog {
public:
    explicit CReadmeDialog(CTolvaDialog* previousPage);

protected:
    bool OnInitDialog() override;
    // The primary button stays disabled: the page offers no Save.
    void OnNext() override {}
};
