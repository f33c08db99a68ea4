// CSystemCapabilities: what the platform supports, for clients (Server.SystemCapabilities.1).
#pragma once

#include "frame/ServerDispatch.h"

class CSystemCapabilities final
    : public ComObject<CSystemCapabilities, ServerDispatch<ISystemCapabilities>, SupportErrorInfoFor<ISystemCapabilities>> {
public:
    IFACEMETHODIMP get_isSarn(VARIANT_BOOL* value) override;
    IFACEMETHODIMP get_isMobile(VARIANT_BOOL* value) override;
    IFACEMETHODIMP get_SupportsTokenApplicability(VARIANT_BOOL* value) override;
};
