// CBiosCapsule: one firmware update. Loads a .BIO image into memory, checks it against the
// running firmware, edits its splash picture and badge through the capsule-editing engine,
// and hands it to the capsule-update library; after the restart it tells whether the flash
// took place. Obtained through IToolkit::BiosCapsule.
#pragma once

#include "CapsuleSession.h"
#include "frame/ServerDispatch.h"

#include <WeaveEngine.h>

class CBiosCapsule final
    : public ComObject<CBiosCapsule, ServerDispatch<IBiosCapsule>, SupportErrorInfoFor<IBiosCapsule>> {
public:
    CBiosCapsule() = default;
    ~CBiosCapsule() override;
    HRESULT FinalConstruct();

    // IBiosCapsule
    IFACEMETHODIMP LoadBiosStream(IStream* pBiosFileStream) override;
    IFACEMETHODIMP LoadBios(BSTR bstrBiosFileName) override;
    IFACEMETHODIMP SetSplashStream(IStream* pSplashFileStream) override;
    IFACEMETHODIMP SetSplash(BSTR bstrSplashFileName) override;
    IFACEMETHODIMP RemoveSplash() override;
    IFACEMETHODIMP IsTargetBiosCompatible(VARIANT_BOOL* pvbCompatible) override;
    IFACEMETHODIMP GetFlashSizeRemaining(LONG* plSizeRemaining) override;
    IFACEMETHODIMP InvokeCapsule() override;
    IFACEMETHODIMP get_BiosId(BSTR* pBSTRBiosID) override;
    IFACEMETHODIMP get_BiosDate(DATE* pBiosDate) override;
    IFACEMETHODIMP get_BadgeXPosition(LONG* plBadgeXPos) override;
    IFACEMETHODIMP put_BadgeXPosition(LONG newVal) override;
    IFACEMETHODIMP get_BadgeYPosition(LONG* plBadgeYPos) override;
    IFACEMETHODIMP put_BadgeYPosition(LONG newVal) override;
    IFACEMETHODIMP get_DisplayBadge(VARIANT_BOOL* pvbDisplayBadge) override;
    IFACEMETHODIMP put_DisplayBadge(VARIANT_BOOL newVal) override;
    IFACEMETHODIMP IsFlashSuccessful(EFlashVerificationLevel eFlashVerLevel, VARIANT_BOOL* pvbSuccessful) override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP get_MaxResolutionX(LONG* plMaxResolutionX) override;
    IFACEMETHODIMP get_MaxResolutionY(LONG* plMaxResolutionY) override;
    IFACEMETHODIMP get_BadgeColor(EBadge_Color* pBadgeColor) override;
    IFACEMETHODIMP put_BadgeColor(EBadge_Color newVal) override;
    IFACEMETHODIMP IsMaxResolutionSupported(VARIANT_BOOL* pvbMaxResolutionSupported) override;
    IFACEMETHODIMP IsBadgeColorSupported(VARIANT_BOOL* pvbBadgeColorSupported) override;
    IFACEMETHODIMP SetFlashStatus(EFlashVerificationLevel eFlashVerLevel) override;
    IFACEMETHODIMP GetBiosIdFromVariable(BSTR* pBSTRTargetBIOSID) override;

private:
    HRESULT PrepareCapsule();
    HRESULT ExtractLogoModule(IWeaveLogoModule** logo);
    HRESULT ExtractLogoModule2(LogoModule2** logo2);
    HRESULT LogoModule();
    HRESULT LogoModule2Interface();
    HRESULT SplashSite(const wchar_t* function, ComPtr<IWeaveSplashSite>& site);
    HRESULT RequireSplash(const wchar_t* function);
    HRESULT ReadBadge(const wchar_t* function, LONG* value, HRESULT (STDMETHODCALLTYPE IWeaveLogoModule::*get)(LONG*));
    HRESULT PlaceBadge(const wchar_t* function, LONG value, HRESULT (STDMETHODCALLTYPE IWeaveLogoModule::*put)(LONG));
    HRESULT ReadMaxResolution(LONG* value, HRESULT (STDMETHODCALLTYPE LogoModule2::*get)(LONG*), LONG cap);
    HRESULT IsLogoModule2Supported(VARIANT_BOOL* supported, const wchar_t* function);

    CCapsuleSession m_session{CCapsuleSession::Client::BiosCapsule};
    ComPtr<IWeaveLogoModule> m_pLogoModule;
    ComPtr<LogoModule2> m_pLogoModule2;
    ComPtr<IStream> m_pstmBiosFile;
    bool m_bSplashSet = false;
    EFlashVerificationLevel m_eFlashVerLevel = EFlashVerification_High;
};
