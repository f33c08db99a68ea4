#include "LogoModuleSearch.h"

#include "ComObject.h"
#include "frame/ResultCodes.h"

namespace {

HRESULT FailedAt(const wchar_t* step, const wchar_t** failedStep)
{
    *failedStep = step;
    return E_FAIL;
}

} // namespace

HRESULT CLogoModuleSearch::Find(IWeaveEngine* engine, IWeaveLogoModule** logo, const wchar_t** failedStep)
{
    *logo = nullptr;
    *failedStep = L"";
    ComPtr<IWeaveModules> modules;
    if (FAILED(engine->GetCapsuleModules(&modules)) || !modules) {
        return FailedAt(L"Unexpected error on GetCapsuleModules()", failedStep);
    }
    if (FAILED(modules->Reset())) {
        return FailedAt(L"Unexpected error on Reset()", failedStep);
    }
    VARIANT_BOOL hasCurrent = VARIANT_FALSE;
    if (FAILED(modules->raw_MoveNext(&hasCurrent))) {
        return FailedAt(L"Unexpected error on raw_MoveNext()", failedStep);
    }
    while (hasCurrent == VARIANT_TRUE) {
        ComPtr<IWeaveModule> module;
        if (FAILED(modules->GetCurrent(&module)) || !module) {
            return FailedAt(L"Unexpected error on GetCurrent()", failedStep);
        }
        LONG type = -1;
        VARIANT_BOOL splashCapable = VARIANT_FALSE;
        if (FAILED(module->get_type(&type)) || FAILED(module->get_SplashCapable(&splashCapable))) {
            return FailedAt(L"Unexpected error on get_type()", failedStep);
        }
        if (type == WEAVE_MODULE_TYPE_LOGO && splashCapable == VARIANT_TRUE) {
            if (FAILED(module->QueryInterface(IID_PPV_ARGS(logo)))) {
                return FailedAt(L"Unexpected error converting Module to LogoModule", failedStep);
            }
            return S_OK;
        }
        if (FAILED(modules->raw_MoveNext(&hasCurrent))) {
            return FailedAt(L"Unexpected error on raw_MoveNext()", failedStep);
        }
    }
    return ResultCode::E_NO_SPLASH_MODULE;
}
