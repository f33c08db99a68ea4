// CBIOSInfo (Server.BIOSInfo.1): one item of BIOS information, kept with the BIOS
// configuration.
#pragma once

#include "ConfigDataImpl.h"

class CBIOSInfo final : public ConfigDataObject<CBIOSInfo, IConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;
};
