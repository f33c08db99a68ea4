// The agreement page: Next is enabled only while the agreement box is ticked.
#pragma once

#include "TolvaDialog.h"

class CLicenseDialog : public CTolvaDialog {
public:
    explicit CLicenseDialog(CTolvaDialog* previousPage);

protected:
    bool OnInitDialog() override;
    void OnControlCommand(int id, int code) override;
    LRESULT OnNotify(const NMHDR& header) override;

private:
    void EnableNextByAgreement();
};
