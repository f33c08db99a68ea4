// The image that the engine has loaded, shared by the engine and its module objects. When
// another image is loaded the old document is detached: module objects that a client still
// holds then fail with WEAVE_E_DETACHED instead of editing an image that will never be saved.
#pragma once

#include "CapsuleImage.h"

#include <windows.h>

#include <memory>

struct CapsuleDocument {
    biofile::CapsuleImage image;
    bool attached = true;
};

using DocumentPtr = std::shared_ptr<CapsuleDocument>;

HRESULT ResultFromStatus(biofile::BioStatus status);

// The module at `index` of an attached document.
HRESULT FindModule(const DocumentPtr& document, size_t index, biofile::Module*& module);
// The logo content of the module at `index`.
HRESULT FindLogo(const DocumentPtr& document, size_t index, biofile::LogoContent*& logo);
