#include "WeaveLogoModule.h"

#include "ErrorMacros.h"
#include "StreamIo.h"

CWeaveLogoModule::CWeaveLogoModule(DocumentPtr document, size_t index, bool offersLogoModule2)
    : m_offersLogoModule2(offersLogoModule2)
{
    Bind(std::move(document), index);
}

void* CWeaveLogoModule::QueryExtraInterface(REFIID iid)
{
    if (iid == IID_LogoModule2 && m_offersLogoModule2) {
        return static_cast<LogoModule2*>(this);
    }
    return nullptr;
}

template <typename Change>
HRESULT CWeaveLogoModule::EditBadge(Change change)
{
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    biofile::BadgeSettings badge = logo->badge;
    change(badge);
    RETURN_HR_IF(E_INVALIDARG, biofile::ValidateBadge(*logo, badge) != biofile::BioStatus::Ok);
    logo->badge = badge;
    return S_OK;
}

IFACEMETHODIMP CWeaveLogoModule::get_BadgeXPosition(LONG* x)
{
    RETURN_HR_IF(E_POINTER, !x);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *x = logo->badge.x;
    return S_OK;
}

IFACEMETHODIMP CWeaveLogoModule::put_BadgeXPosition(LONG x)
{
    return EditBadge([x](biofile::BadgeSettings& badge) { badge.x = x; });
}

IFACEMETHODIMP CWeaveLogoModule::get_BadgeYPosition(LONG* y)
{
    RETURN_HR_IF(E_POINTER, !y);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *y = logo->badge.y;
    return S_OK;
}

IFACEMETHODIMP CWeaveLogoModule::put_BadgeYPosition(LONG y)
{
    return EditBadge([y](biofile::BadgeSettings& badge) { badge.y = y; });
}

IFACEMETHODIMP CWeaveLogoModule::get_BadgeShown(VARIANT_BOOL* shown)
{
    RETURN_HR_IF(E_POINTER, !shown);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *shown = logo->badge.shown ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// Callers pass VARIANT_TRUE or a plain 1; both show the badge.
IFACEMETHODIMP CWeaveLogoModule::put_BadgeShown(VARIANT_BOOL shown)
{
    return EditBadge([shown](biofile::BadgeSettings& badge) { badge.shown = shown != 0; });
}

IFACEMETHODIMP CWeaveLogoModule::get_HasSplash(VARIANT_BOOL* present)
{
    RETURN_HR_IF(E_POINTER, !present);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *present = logo->picture.empty() ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

// The picture replaces the old one only when it is a valid bitmap within the maximum
// picture size. It may leave the flash area too small: the size remaining then turns
// negative and the caller decides.
IFACEMETHODIMP CWeaveLogoModule::PutSplash(IStream* picture)
try {
    RETURN_HR_IF(E_POINTER, !picture);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    std::vector<uint8_t> bytes;
    const HRESULT hr = StreamIo::ReadToEnd(picture, biofile::kMaxImageSize, bytes);
    RETURN_HR_IF(WEAVE_E_IMAGE_TOO_LARGE, hr == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    RETURN_IF_FAILED(hr);
    biofile::BitmapInfo info;
    RETURN_IF_FAILED(ResultFromStatus(biofile::CheckPicture(*logo, bytes, info)));
    const uint64_t grown = biofile::ImageSize(m_document->image) - logo->picture.size() + bytes.size();
    RETURN_HR_IF(WEAVE_E_IMAGE_TOO_LARGE, grown > biofile::kMaxImageSize);
    logo->picture = std::move(bytes);
    return S_OK;
}
CATCH_RETURN()

// Without a picture nothing is written and the answer is S_FALSE.
IFACEMETHODIMP CWeaveLogoModule::GetSplash(IStream* picture)
try {
    RETURN_HR_IF(E_POINTER, !picture);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    if (logo->picture.empty()) {
        return S_FALSE;
    }
    return StreamIo::WriteAll(picture, logo->picture);
}
CATCH_RETURN()

IFACEMETHODIMP CWeaveLogoModule::RemoveSplash()
{
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    logo->picture.clear();
    logo->picture.shrink_to_fit();
    return S_OK;
}

HRESULT CWeaveLogoModule::SplashSize(LONG* width, LONG* height)
{
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    biofile::BitmapInfo info;
    if (!logo->picture.empty()) {
        biofile::InspectBitmap(logo->picture, info); // checked when it was put or loaded
    }
    if (width) {
        *width = static_cast<LONG>(info.width);
    }
    if (height) {
        *height = static_cast<LONG>(info.height);
    }
    return S_OK;
}

IFACEMETHODIMP CWeaveLogoModule::get_SplashWidth(LONG* width)
{
    RETURN_HR_IF(E_POINTER, !width);
    return SplashSize(width, nullptr);
}

IFACEMETHODIMP CWeaveLogoModule::get_SplashHeight(LONG* height)
{
    RETURN_HR_IF(E_POINTER, !height);
    return SplashSize(nullptr, height);
}

IFACEMETHODIMP CWeaveLogoModule::get_MaxResolutionX(LONG* width)
{
    RETURN_HR_IF(E_POINTER, !width);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *width = static_cast<LONG>(logo->maxWidth);
    return S_OK;
}

IFACEMETHODIMP CWeaveLogoModule::get_MaxResolutionY(LONG* height)
{
    RETURN_HR_IF(E_POINTER, !height);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *height = static_cast<LONG>(logo->maxHeight);
    return S_OK;
}

IFACEMETHODIMP CWeaveLogoModule::get_BadgeColor(LONG* color)
{
    RETURN_HR_IF(E_POINTER, !color);
    biofile::LogoContent* logo = nullptr;
    RETURN_IF_FAILED(Logo(logo));
    *color = static_cast<LONG>(logo->badge.color);
    return S_OK;
}

// Only 0 (black) and 1 (white) exist; the caller maps other choices.
IFACEMETHODIMP CWeaveLogoModule::put_BadgeColor(LONG color)
{
    RETURN_HR_IF(E_INVALIDARG, color != biofile::kBadgeBlack && color != biofile::kBadgeWhite);
    return EditBadge([color](biofile::BadgeSettings& badge) { badge.color = static_cast<uint32_t>(color); });
}
