// CSMBIOSSetting (Server.SMBIOSSetting.1): one SMBIOS string of the board.
#pragma once

#include "ConfigDataImpl.h"

class CSMBIOSSetting final : public ConfigDataObject<CSMBIOSSetting, IConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;
};
