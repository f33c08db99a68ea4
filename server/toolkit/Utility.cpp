#include "Utility.h"

#include "ClassFactory.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ObjectMapEntries.h"
#include "frame/ResultCodes.h"
#include "MessageIds.h"
#include "Owners.h"

IFACEMETHODIMP CUtility::GetVariantCollectionFromVariant(VARIANT varVarColl, IVariantCollection** ppVarColl)
{
    if (!ppVarColl) {
        return REPORT_FAILURE(L"CUtility::GetVariantCollectionFromVariant", LOG_ERROR, E_POINTER,
                              Describe(IID_IUtility, MSG_INTERNAL_ERROR), L"Invalid pointer");
    }
    *ppVarColl = nullptr;
    // Scripts pass their variables by reference.
    UniqueVariant value;
    const HRESULT copied = ::VariantCopyInd(value.get(), &varVarColl);
    const VARTYPE type = V_VT(value.get());
    if (FAILED(copied) || (type != VT_DISPATCH && type != VT_UNKNOWN) || !V_UNKNOWN(value.get())) {
        return REPORT_FAILURE(L"CUtility::GetVariantCollectionFromVariant", LOG_ERROR,
                              ResultCode::E_NOT_VARIANT_COLLECTION, Describe(IID_IUtility, MSG_INVALID_ARGUMENT),
                              L"Input parameter is not a VariantCollection");
    }
    if (FAILED(V_UNKNOWN(value.get())->QueryInterface(IID_PPV_ARGS(ppVarColl)))) {
        *ppVarColl = nullptr;
        return REPORT_FAILURE(L"CUtility::GetVariantCollectionFromVariant", LOG_ERROR, E_FAIL,
                              Describe(IID_IUtility, MSG_UNKNOWN_ERROR),
                              L"Unable to convert properly formatted VARIANT to VariantCollection");
    }
    return S_OK;
}

HRESULT CreateUtilityClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CUtility>>(classObject);
}
