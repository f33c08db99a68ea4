// CUtility (Server.Utility.1): helpers for scripting clients.
#pragma once

#include "frame/ServerDispatch.h"

class CUtility final : public ComObject<CUtility, ServerDispatch<IUtility>, SupportErrorInfoFor<IUtility>> {
public:
    // Scripts hold collections as plain VARIANTs; this gives one back as IVariantCollection.
    IFACEMETHODIMP GetVariantCollectionFromVariant(VARIANT varVarColl, IVariantCollection** ppVarColl) override;
};
