// The status page of the run after the restart: shows whether the flash succeeded.
#pragma once

#include "TolvaDialog.h"

class CVerifyDialog : public CTolvaDialog {
public:
    // Becomes the main page when no page is main yet.
    CVerifyDialog();

protected:
    bool OnInitDialog() override;
    // Finish.
    void OnNext() override;
};
