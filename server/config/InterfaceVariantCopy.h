// Copy policy of the group and item collection enumerators: a stored interface pointer
// becomes an enumerated VT_DISPATCH. Script engines can call only a VT_DISPATCH element;
// every element interface is dual, so its IDispatch is the object itself, and a C++ caller
// that reads punkVal still gets an IUnknown of it.
#pragma once

#include "frame/DiagnosticsLog.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include <oaidl.h>

template <typename I>
class CInterfaceVariantCopy {
public:
    static void init(VARIANT* target) { ::VariantInit(target); }
    static void destroy(VARIANT* target) { ::VariantClear(target); }

    static HRESULT copy(VARIANT* target, I* const* source)
    {
        if (!target || !source || !*source) {
            return REPORT_FAILURE(L"CInterfaceVariantCopy::copy", LOG_WARNING, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                                  L"Unable to copy value");
        }
        IDispatch* dispatch = nullptr;
        if (FAILED((*source)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            return REPORT_FAILURE(L"CInterfaceVariantCopy::copy", LOG_WARNING, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                  L"QueryInterface failed on contained object");
        }
        ::VariantInit(target);
        V_VT(target) = VT_DISPATCH;
        V_DISPATCH(target) = dispatch;
        return S_OK;
    }
};
