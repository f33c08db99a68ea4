// CWeaveLogoModule: the splash logo module. IWeaveLogoModule places and shows the badge,
// IWeaveSplashSite puts and removes the picture, and LogoModule2 (only when the module
// offers it) tells the maximum picture size and sets the badge colour.
#pragma once

#include "WeaveModule.h"

class CWeaveLogoModule final
    : public ComObject<CWeaveLogoModule, WeaveModuleProperties, WeaveDispatch<IWeaveLogoModule>,
                       WeaveDispatch<IWeaveSplashSite, IWeaveLogoModule>>,
      public WeaveDispatch<LogoModule2, IWeaveLogoModule> {
public:
    static constexpr bool kAggregatable = false;

    CWeaveLogoModule(DocumentPtr document, size_t index, bool offersLogoModule2);

    // One IUnknown for every interface, LogoModule2 included.
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override { return ComObject::QueryInterface(iid, object); }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ComObject::AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return ComObject::Release(); }

    // IWeaveLogoModule
    IFACEMETHODIMP get_BadgeXPosition(LONG* x) override;
    IFACEMETHODIMP put_BadgeXPosition(LONG x) override;
    IFACEMETHODIMP get_BadgeYPosition(LONG* y) override;
    IFACEMETHODIMP put_BadgeYPosition(LONG y) override;
    IFACEMETHODIMP get_BadgeShown(VARIANT_BOOL* shown) override;
    IFACEMETHODIMP put_BadgeShown(VARIANT_BOOL shown) override;
    // IWeaveSplashSite
    IFACEMETHODIMP get_HasSplash(VARIANT_BOOL* present) override;
    IFACEMETHODIMP PutSplash(IStream* picture) override;
    IFACEMETHODIMP GetSplash(IStream* picture) override;
    IFACEMETHODIMP RemoveSplash() override;
    IFACEMETHODIMP get_SplashWidth(LONG* width) override;
    IFACEMETHODIMP get_SplashHeight(LONG* height) override;
    // LogoModule2
    IFACEMETHODIMP get_MaxResolutionX(LONG* width) override;
    IFACEMETHODIMP get_MaxResolutionY(LONG* height) override;
    IFACEMETHODIMP get_BadgeColor(LONG* color) override;
    IFACEMETHODIMP put_BadgeColor(LONG color) override;

    void* QueryExtraInterface(REFIID iid);

private:
    HRESULT Logo(biofile::LogoContent*& logo) const { return FindLogo(m_document, m_index, logo); }
    // Changes the badge only when the result is a valid badge.
    template <typename Change>
    HRESULT EditBadge(Change change);
    HRESULT SplashSize(LONG* width, LONG* height);

    bool m_offersLogoModule2;
};
