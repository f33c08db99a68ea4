// Finds the image's splash logo module among the engine's modules: the first module of type
// 0 whose second property (splash-capable) is VARIANT_TRUE.
#pragma once

#include <windows.h>

#include <WeaveEngine.h>

class CLogoModuleSearch {
public:
    // S_OK with `logo` set; E_NO_SPLASH_MODULE when the image has none; E_FAIL with
    // `failedStep` naming the call that failed (for the caller's report).
    static HRESULT Find(IWeaveEngine* engine, IWeaveLogoModule** logo, const wchar_t** failedStep);
};
