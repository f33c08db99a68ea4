// CWeaveEngine: the engine class of Quillon.dll. It recognises, loads and saves .BIO
// capsules through streams and hands out the modules of the loaded image for editing.
#pragma once

#include "CapsuleDocument.h"
#include "WeaveDispatch.h"

class CWeaveEngine final : public ComObject<CWeaveEngine, WeaveDispatch<IWeaveEngine>> {
public:
    IFACEMETHODIMP get_EngineVersion(BSTR* version) override;
    IFACEMETHODIMP get_IsLoaded(VARIANT_BOOL* loaded) override;
    IFACEMETHODIMP Unload() override;
    IFACEMETHODIMP CheckIfWeaveCapsule(IStream* image, VARIANT_BOOL* isCapsule) override;
    IFACEMETHODIMP LoadWeaveCapsule(IStream* image) override;
    IFACEMETHODIMP SaveWeaveCapsule(IStream* image) override;
    IFACEMETHODIMP get_CapsuleGuid(BSTR* guid) override;
    IFACEMETHODIMP get_CapsuleFlags(LONG* flags) override;
    IFACEMETHODIMP get_ImageSize(LONG* size) override;
    IFACEMETHODIMP get_FlashAreaSize(LONG* size) override;
    IFACEMETHODIMP get_UsedSize(LONG* size) override;
    IFACEMETHODIMP GetCapsuleModules(IWeaveModules** modules) override;
    IFACEMETHODIMP get_ModuleCount(LONG* count) override;
    IFACEMETHODIMP GetModule(LONG index, IWeaveModule** item) override;
    IFACEMETHODIMP get_FormatVersion(LONG* version) override;
    IFACEMETHODIMP get_FirmwareId(BSTR* id) override;
    IFACEMETHODIMP put_FirmwareId(BSTR id) override;
    IFACEMETHODIMP get_SizeRemaining(LONG* remaining) override;

    ~CWeaveEngine() override;

private:
    // The loaded image, or WEAVE_E_NOT_LOADED.
    HRESULT Loaded(biofile::CapsuleImage*& image) const;
    template <typename Value>
    HRESULT AnswerLong(LONG* out, Value (*read)(const biofile::CapsuleImage&)) const;
    void Detach();

    DocumentPtr m_document;
};
