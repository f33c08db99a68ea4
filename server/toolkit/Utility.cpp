#include "Utility.h"

#include "ClassFactory.h"
#include "Owners.h"
#include "frame/ErrorInfoManager.h"
#include "frame/ObjectMapEntries.h"
#include "frame/ResultCodes.h"

namespace {

HRESULT Fail(const LogSite& site, HRESULT hr, UINT messageId, const wchar_t* text)
{
    ReportDiagnostic(site, LOG_ERROR, text);
    CErrorInfoManager::SetDescription(messageId);
    CErrorInfoManager::SetGUID(IID_IUtility);
    return hr;
}

} // namespace

IFACEMETHODIMP CUtility::GetVariantCollectionFromVariant(VARIANT varVarColl, IVariantCollection** ppVarColl)
{
    if (!ppVarColl) {
        return Fail(LOG_SITE(L"CUtility::GetVariantCollectionFromVariant"), E_POINTER, 154, L"Invalid pointer");
    }
    *ppVarColl = nullptr;
    // Scripts pass their variables by reference.
    UniqueVariant value;
    const HRESULT copied = ::VariantCopyInd(value.get(), &varVarColl);
    const VARTYPE type = V_VT(value.get());
    if (FAILED(copied) || (type != VT_DISPATCH && type != VT_UNKNOWN) || !V_UNKNOWN(value.get())) {
        return Fail(LOG_SITE(L"CUtility::GetVariantCollectionFromVariant"), ResultCode::E_NOT_VARIANT_COLLECTION, 269,
                    L"Input parameter is not a VariantCollection");
    }
    if (FAILED(V_UNKNOWN(value.get())->QueryInterface(IID_PPV_ARGS(ppVarColl)))) {
        *ppVarColl = nullptr;
        return Fail(LOG_SITE(L"CUtility::GetVariantCollectionFromVariant"), E_FAIL, 130,
                    L"Unable to convert properly formatted VARIANT to VariantCollection");
    }
    return S_OK;
}

HRESULT CreateUtilityClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CUtility>>(classObject);
}
