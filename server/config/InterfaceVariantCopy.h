// Copy policy of the group and item collection enumerators: a stored interface pointer
// becomes an enumerated VT_UNKNOWN holding the object's identity.
#pragma once

#include "frame/DiagnosticsLog.h"
#include "frame/ErrorInfoManager.h"

#include <oaidl.h>

template <typename I>
class CInterfaceVariantCopy {
public:
    static void init(VARIANT* target) { ::VariantInit(target); }
    static void destroy(VARIANT* target) { ::VariantClear(target); }

    static HRESULT copy(VARIANT* target, I* const* source)
    {
        if (!target || !source || !*source) {
            ReportDiagnostic(LOG_SITE(L"CInterfaceVariantCopy::copy"), LOG_WARNING, L"Unable to copy value");
            CErrorInfoManager::SetDescription(154u);
            return E_POINTER;
        }
        IUnknown* unknown = nullptr;
        if (FAILED((*source)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)))) {
            ReportDiagnostic(LOG_SITE(L"CInterfaceVariantCopy::copy"), LOG_WARNING,
                             L"QueryInterface failed on contained object");
            CErrorInfoManager::SetDescription(154u);
            return E_FAIL;
        }
        ::VariantInit(target);
        V_VT(target) = VT_UNKNOWN;
        V_UNKNOWN(target) = unknown;
        return S_OK;
    }
};
