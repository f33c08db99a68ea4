// The ready page: its Update button runs the update.
#pragma once

#include "TolvaDialog.h"

class CRebootDialog : public CTolvaDialog {
public:
    explicit CRebootDialog(CTolvaDialog* previousPage);

protected:
    bool OnInitDialog() override;
    void OnNext() override;
};
