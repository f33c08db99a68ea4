// CCoolingSetting (Server.CoolingSetting.1): one hardware-monitor setting. Its register
// table and chip-specific members come with the cooling subsystem.
#pragma once

#include "ConfigDataImpl.h"

class CCoolingSetting final : public ConfigDataObject<CCoolingSetting, IConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;
};
