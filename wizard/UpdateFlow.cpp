#include "UpdateFlow.h"

#include "Owners.h"
#include "PayloadFiles.h"
#include "Resource.h"
#include "ResumeValue.h"
#include "ToolkitConnection.h"
#include "WizardState.h"

namespace {

HRESULT GetBiosCapsule(ComPtr<IBiosCapsule>& capsule)
{
    if (!g_pToolkit) {
        return E_FAIL;
    }
    const HRESULT hr = g_pToolkit->get_BiosCapsule(capsule.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr) && !capsule) {
        return E_POINTER;
    }
    return hr;
}

// The guarded part of the run: every failing server result ends it with UPDATE_FAILED.
HRESULT ArmCapsule(IBiosCapsule* capsule)
{
    UniqueBstr imageName = UniqueBstr::From(L"bios.bio");
    if (!imageName) {
        return UPDATE_FAILED;
    }
    if (FAILED(capsule->LoadBios(imageName.get()))) {
        return UPDATE_FAILED;
    }
    VARIANT_BOOL compatible = VARIANT_FALSE;
    if (FAILED(capsule->IsTargetBiosCompatible(&compatible))) {
        return UPDATE_FAILED;
    }
    if (compatible != VARIANT_TRUE) {
        return UPDATE_INCOMPATIBLE;
    }
    bool legacy = false;
    if (FAILED(IsLegacyFirmware(capsule, legacy))) {
        return UPDATE_FAILED;
    }
    if (!WriteResumeValue()) {
        return UPDATE_NOT_RESUMABLE;
    }
    // Legacy firmware never removes the detection variable, so it is not asked to keep one.
    if (FAILED(capsule->SetFlashStatus(legacy ? EFlashVerification_Low : EFlashVerification_High))) {
        return UPDATE_FAILED;
    }
    if (FAILED(capsule->InvokeCapsule())) {
        return UPDATE_FAILED;
    }
    return UPDATE_ARMED;
}

} // namespace

HRESULT RunUpdate()
{
    ConnectToolkit(true);
    ComPtr<IBiosCapsule> capsule;
    const HRESULT hr = GetBiosCapsule(capsule);
    ExtractRawFile(IDR_BIOS_IMAGE, L"bios.bio");
    if (FAILED(hr)) {
        return UPDATE_FAILED;
    }
    return ArmCapsule(capsule.Get());
}

bool CheckFlashResult()
{
    ConnectToolkit(true);
    ComPtr<IBiosCapsule> capsule;
    if (FAILED(GetBiosCapsule(capsule))) {
        return false;
    }
    VARIANT_BOOL successful = VARIANT_FALSE;
    const HRESULT hr = capsule->IsFlashSuccessful(EFlashVerification_Low, &successful);
    return SUCCEEDED(hr) && successful == VARIANT_TRUE;
}
