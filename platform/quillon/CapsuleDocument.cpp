#include "CapsuleDocument.h"

#include <WeaveEngine.h>

HRESULT ResultFromStatus(biofile::BioStatus status)
{
    using biofile::BioStatus;
    switch (status) {
    case BioStatus::Ok:
        return S_OK;
    case BioStatus::BadPicture:
        return WEAVE_E_BAD_PICTURE;
    case BioStatus::PictureTooLarge:
        return WEAVE_E_PICTURE_TOO_LARGE;
    case BioStatus::TooLarge:
        return WEAVE_E_IMAGE_TOO_LARGE;
    case BioStatus::BadFirmwareId:
    case BioStatus::BadBadge:
        return E_INVALIDARG;
    case BioStatus::WriteFailed:
        return STG_E_WRITEFAULT;
    default:
        return WEAVE_E_BAD_CAPSULE;
    }
}

HRESULT FindModule(const DocumentPtr& document, size_t index, biofile::Module*& module)
{
    if (!document || !document->attached) {
        return WEAVE_E_DETACHED;
    }
    if (index >= document->image.modules.size()) {
        return E_UNEXPECTED;
    }
    module = &document->image.modules[index];
    return S_OK;
}

HRESULT FindLogo(const DocumentPtr& document, size_t index, biofile::LogoContent*& logo)
{
    biofile::Module* module = nullptr;
    const HRESULT hr = FindModule(document, index, module);
    if (FAILED(hr)) {
        return hr;
    }
    if (!module->logo) {
        return E_UNEXPECTED;
    }
    logo = &*module->logo;
    return S_OK;
}
