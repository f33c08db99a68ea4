// The welcome page: the first page of a normal run.
#pragma once

#include "TolvaDialog.h"

class CIntroDialog : public CTolvaDialog {
public:
    // Becomes the main page and builds the rest of the chain behind it.
    CIntroDialog();

protected:
    bool OnInitDialog() override;
};
