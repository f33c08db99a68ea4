#include "BiosCapsule.h"

#include "BiosId.h"
#include "FlashDetectionVariable.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include "ClassFactory.h"
#include "ErrorMacros.h"
#include "frame/EventTarget.h"
#include "frame/ObjectMapEntries.h"
#include "frame/ResultCodes.h"

namespace {

using StreamKind = CCapsuleSession::StreamKind;

// A missing pointer argument, reported under the caller's site.
HRESULT InvalidPointer(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(IID_IBiosCapsule, MSG_INTERNAL_ERROR),
                           L"Invalid Pointer");
}

constexpr LONG kMaxShownWidth = 1280;
constexpr LONG kMaxShownHeight = 800;

} // namespace

CBiosCapsule::~CBiosCapsule()
{
    if (!m_session.Close()) {
        ReportDiagnostic(LOG_SITE(L"CBiosCapsule::~CBiosCapsule"), LOG_ERROR, L"Not able to unload the Corvid DLL");
    }
}

HRESULT CBiosCapsule::FinalConstruct() { return m_session.Open(); }

// ---- Loading the image ----

IFACEMETHODIMP CBiosCapsule::LoadBiosStream(IStream* pBiosFileStream)
try {
    if (!pBiosFileStream) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::LoadBiosStream"));
    }
    // The stream becomes the object's image only once the engine holds it: a stream that is
    // no capsule must not be what a later InvokeCapsule saves into and stages.
    RETURN_IF_FAILED(m_session.ParseImage(pBiosFileStream));
    m_pstmBiosFile = pBiosFileStream;
    // The engine has detached the modules of the image before, and the splash belonged to
    // it: kept, they would let a badge be placed on an image that has no splash, or edit a
    // module the engine no longer saves.
    m_pLogoModule.Reset();
    m_pLogoModule2.Reset();
    m_bSplashSet = false;
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::LoadBios(BSTR bstrBiosFileName)
try {
    const std::wstring name(bstrBiosFileName ? bstrBiosFileName : L"", ::SysStringLen(bstrBiosFileName));
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(m_session.LoadFileIntoStream(name, &stream, StreamKind::Image));
    return LoadBiosStream(stream.Get());
}
CATCH_RETURN()

// ---- Firmware IDs ----

IFACEMETHODIMP CBiosCapsule::get_BiosId(BSTR* pBSTRBiosID)
try {
    if (!pBSTRBiosID) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::get_BiosId"));
    }
    *pBSTRBiosID = nullptr;
    std::wstring id;
    RETURN_IF_FAILED(m_session.GetImageId(id));
    *pBSTRBiosID = ::SysAllocStringLen(id.data(), static_cast<UINT>(id.size()));
    return *pBSTRBiosID ? S_OK : E_OUTOFMEMORY;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::get_BiosDate(DATE* pBiosDate)
try {
    if (!pBiosDate) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::get_BiosDate"));
    }
    std::wstring id;
    RETURN_IF_FAILED(m_session.GetImageId(id));
    if (!CBiosId::ToDate(id, pBiosDate)) {
        CErrorInfoManager::Clear();
        return E_FAIL;
    }
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::GetBiosIdFromVariable(BSTR* pBSTRTargetBIOSID)
try {
    if (!pBSTRTargetBIOSID) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::GetBiosIdFromVariable"));
    }
    *pBSTRTargetBIOSID = nullptr;
    std::wstring id;
    RETURN_IF_FAILED(m_session.GetBiosIdFromVariable(id));
    *pBSTRTargetBIOSID = ::SysAllocStringLen(id.data(), static_cast<UINT>(id.size()));
    RETURN_IF_NULL_ALLOC(*pBSTRTargetBIOSID);
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::IsTargetBiosCompatible(VARIANT_BOOL* pvbCompatible)
try {
    if (!pvbCompatible) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::IsTargetBiosCompatible"));
    }
    *pvbCompatible = VARIANT_FALSE;
    std::wstring imageId;
    RETURN_IF_FAILED(m_session.GetImageId(imageId));
    std::wstring boardId;
    if (m_session.GetBiosIdFromVariable(boardId) != S_OK) {
        return E_FAIL;
    }
    // A mismatch is an answer, not a failure: it is reported and described, and S_OK returned.
    if (m_session.MatchBiosIds(imageId, boardId) == S_OK) {
        *pvbCompatible = VARIANT_TRUE;
    }
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::Reset()
try {
    if (!m_session.Close()) {
        ReportDiagnostic(LOG_SITE(L"CBiosCapsule::Reset"), LOG_ERROR, L"Not able to unload the Corvid DLL");
    }
    m_pLogoModule.Reset();
    m_pLogoModule2.Reset();
    m_pstmBiosFile.Reset();
    // A failure here has reported and described itself; the object then answers E_POINTER
    // to everything that needs the engine.
    m_session.Open();
    return S_OK;
}
CATCH_RETURN()

// ---- Arming the update and verifying it ----

IFACEMETHODIMP CBiosCapsule::SetFlashStatus(EFlashVerificationLevel eFlashVerLevel)
{
    m_eFlashVerLevel = eFlashVerLevel;
    ReportDiagnostic(LOG_SITE(L"CBiosCapsule::SetFlashStatus"), LOG_INFORMATION, L"The flash verification level is %d",
                     static_cast<int>(eFlashVerLevel));
    return S_OK;
}

// The engine's image, with every edit, is what is staged.
HRESULT CBiosCapsule::PrepareCapsule()
{
    if (!m_pstmBiosFile) {
        return REPORT_FAILURE(L"CBiosCapsule::PrepareCapsule", LOG_ERROR, E_UNEXPECTED,
                              Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Attempting to PrepareCapsule() prematurely");
    }
    RETURN_IF_FAILED(m_session.SaveImage(m_pstmBiosFile.Get()));
    return m_session.PrepareCapsule(m_pstmBiosFile.Get());
}

IFACEMETHODIMP CBiosCapsule::InvokeCapsule()
try {
    constexpr const wchar_t* function = L"CBiosCapsule::InvokeCapsule";
    if (!m_pstmBiosFile) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"NULL pointer: m_pstmBiosFile");
    }
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnFlashStart(); });
    HRESULT hr = PrepareCapsule();
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"Failure in PrepareCapsule()");
        return hr;
    }
    // The marker stays even when arming fails: no firmware removes it then, so the next
    // verification at Medium or High reports the flash as not done instead of trusting the
    // library's status of an earlier update.
    hr = m_session.InvokeCapsule([this, function] {
        if (m_eFlashVerLevel == EFlashVerification_High && FAILED(CFlashDetectionVariable().Set())) {
            ReportDiagnostic(LOG_SITE(function), LOG_WARNING,
                             L"Failed to set the detection variable, flash detection not possible");
        }
    });
    return FAILED(hr) ? hr : S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::IsFlashSuccessful(EFlashVerificationLevel eFlashVerLevel, VARIANT_BOOL* pvbSuccessful)
try {
    constexpr const wchar_t* function = L"CBiosCapsule::IsFlashSuccessful";
    if (!pvbSuccessful) {
        return InvalidPointer(LOG_SITE(function));
    }
    *pvbSuccessful = VARIANT_FALSE;
    CFlashDetectionVariable detection;
    if (eFlashVerLevel > EFlashVerification_Low && !detection.IsRemoved()) {
        if (FAILED(detection.Remove())) {
            return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_REMOVE_FAILED),
                                  L"Unexpected error occurred, not able to remove detection variable.");
        }
        ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"Variable still exists, flash not successful.");
        return S_OK;
    }
    uint32_t status = 1;
    if (FAILED(m_session.GetLastStatus(&status))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Description::InterfaceOnly(IID_IBiosCapsule),
                              L"Unexpected error occurred in GetLastStatus().");
    }
    if (status != 0) {
        ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"Unsuccessful status code returned from Corvid.dll: %lx.",
                         static_cast<unsigned long>(status));
        return S_OK;
    }
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnFlashSuccess(); });
    ReportDiagnostic(LOG_SITE(function), LOG_INFORMATION, L"BIOS Flash Successful.");
    *pvbSuccessful = VARIANT_TRUE;
    return S_OK;
}
CATCH_RETURN()

// ---- The logo module ----

HRESULT CBiosCapsule::ExtractLogoModule(IWeaveLogoModule** logo)
{
    if (!m_session.Engine() || !m_pstmBiosFile) {
        return REPORT_FAILURE(L"CBiosCapsule::ExtractLogoModule", LOG_ERROR, E_FAIL,
                              Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"m_pIWeaveEng or m_pstmBiosFile are NULL in ExtractLogoModule");
    }
    return m_session.ExtractLogoModule(logo);
}

HRESULT CBiosCapsule::ExtractLogoModule2(LogoModule2** logo2)
{
    constexpr const wchar_t* function = L"CBiosCapsule::ExtractLogoModule2";
    RETURN_IF_FAILED(LogoModule());
    ComPtr<IWeaveSplashSite> site;
    if (FAILED(m_pLogoModule.As(&site))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error converting Module to LogoModule");
    }
    if (FAILED(site->QueryInterface(IID_PPV_ARGS(logo2)))) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_NO_SPLASH_MODULE,
                              Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error converting Module to LogoModule2");
    }
    return S_OK;
}

HRESULT CBiosCapsule::LogoModule()
{
    return m_pLogoModule ? S_OK : ExtractLogoModule(&m_pLogoModule);
}

HRESULT CBiosCapsule::LogoModule2Interface()
{
    return m_pLogoModule2 ? S_OK : ExtractLogoModule2(&m_pLogoModule2);
}

HRESULT CBiosCapsule::SplashSite(const wchar_t* function, ComPtr<IWeaveSplashSite>& site)
{
    RETURN_IF_FAILED(LogoModule());
    if (FAILED(m_pLogoModule.As(&site))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error converting Module to LogoModule");
    }
    return S_OK;
}

// ---- Splash picture ----

IFACEMETHODIMP CBiosCapsule::SetSplash(BSTR bstrSplashFileName)
try {
    if (::SysStringLen(bstrSplashFileName) == 0) {
        return REPORT_FAILURE(L"CBiosCapsule::SetSplash", LOG_ERROR, E_INVALIDARG,
                              Describe(IID_IBiosCapsule, MSG_INVALID_INI_FILE_NAME), L"No splash file name specified");
    }
    const std::wstring name(bstrSplashFileName, ::SysStringLen(bstrSplashFileName));
    ComPtr<IStream> picture;
    RETURN_IF_FAILED(m_session.LoadFileIntoStream(name, &picture, StreamKind::Splash));
    return SetSplashStream(picture.Get());
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::SetSplashStream(IStream* pSplashFileStream)
try {
    constexpr const wchar_t* function = L"CBiosCapsule::SetSplashStream";
    if (!pSplashFileStream) {
        return InvalidPointer(LOG_SITE(function));
    }
    ComPtr<IWeaveSplashSite> site;
    RETURN_IF_FAILED(SplashSite(function, site));
    // A client's stream may still stand where its writer left it.
    RETURN_IF_FAILED(m_session.ResetStreamSeekPtr(pSplashFileStream, StreamKind::Splash));
    if (FAILED(site->PutSplash(pSplashFileStream))) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_SPLASH_NOT_PASSED,
                              Describe(IID_IBiosCapsule, MSG_SPLASH_NOT_INSTALLED),
                              L"Error passing splash file into Weave Engine");
    }
    m_bSplashSet = true;
    ReportDiagnostic(LOG_SITE(function), LOG_INFORMATION, L"A splash file has been added to the BIOS");
    LONG remaining = 0;
    if (FAILED(m_session.Engine()->get_SizeRemaining(&remaining))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on get_SizeRemaining()");
    }
    if (remaining < 0) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_OUT_OF_STORAGE,
                              Describe(IID_IBiosCapsule, MSG_SPLASH_TOO_LARGE),
                              L"Splash image too big; size remaining: %d", static_cast<int>(remaining));
    }
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::RemoveSplash()
try {
    constexpr const wchar_t* function = L"CBiosCapsule::RemoveSplash";
    const HRESULT found = LogoModule();
    if (found == ResultCode::E_NO_SPLASH_MODULE) {
        CErrorInfoManager::Clear();
        return S_OK;
    }
    RETURN_IF_FAILED(found);
    ComPtr<IWeaveSplashSite> site;
    RETURN_IF_FAILED(SplashSite(function, site));
    if (FAILED(site->RemoveSplash())) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_SPLASH_NOT_INSTALLED),
                              L"Error passing splash file into Weave Engine");
    }
    m_bSplashSet = false;
    ReportDiagnostic(LOG_SITE(function), LOG_INFORMATION, L"The splash file has been removed from the BIOS");
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CBiosCapsule::GetFlashSizeRemaining(LONG* plSizeRemaining)
try {
    constexpr const wchar_t* function = L"CBiosCapsule::GetFlashSizeRemaining";
    if (!plSizeRemaining) {
        return InvalidPointer(LOG_SITE(function));
    }
    RETURN_IF_FAILED(m_session.RequireEngine(LOG_SITE(function)));
    if (FAILED(m_session.Engine()->get_SizeRemaining(plSizeRemaining))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on get_SizeRemaining()");
    }
    return S_OK;
}
CATCH_RETURN()

// ---- Badge ----

HRESULT CBiosCapsule::RequireSplash(const wchar_t* function)
{
    RETURN_IF_FAILED(LogoModule());
    if (!m_bSplashSet) {
        return REPORT_FAILURE(function, LOG_INFORMATION, ResultCode::E_BADGE_BEFORE_SPLASH,
                              Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"A badge cannot be seet unless a splash is set first");
    }
    return S_OK;
}

HRESULT CBiosCapsule::ReadBadge(const wchar_t* function, LONG* value,
                                HRESULT (STDMETHODCALLTYPE IWeaveLogoModule::*get)(LONG*))
{
    if (!value) {
        return InvalidPointer(LOG_SITE(function));
    }
    RETURN_IF_FAILED(LogoModule());
    if (FAILED((m_pLogoModule.Get()->*get)(value))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error getting badge option");
    }
    return S_OK;
}

// Placing the badge shows it: first the badge is shown, then it is moved.
HRESULT CBiosCapsule::PlaceBadge(const wchar_t* function, LONG value,
                                 HRESULT (STDMETHODCALLTYPE IWeaveLogoModule::*put)(LONG))
{
    RETURN_IF_FAILED(RequireSplash(function));
    if (FAILED(m_pLogoModule->put_BadgeShown(VARIANT_TRUE)) || FAILED((m_pLogoModule.Get()->*put)(value))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error setting badge option");
    }
    return S_OK;
}

IFACEMETHODIMP CBiosCapsule::get_BadgeXPosition(LONG* plBadgeXPos)
{
    return ReadBadge(L"CBiosCapsule::get_BadgeXPosition", plBadgeXPos, &IWeaveLogoModule::get_BadgeXPosition);
}

IFACEMETHODIMP CBiosCapsule::get_BadgeYPosition(LONG* plBadgeYPos)
{
    return ReadBadge(L"CBiosCapsule::get_BadgeYPosition", plBadgeYPos, &IWeaveLogoModule::get_BadgeYPosition);
}

IFACEMETHODIMP CBiosCapsule::put_BadgeXPosition(LONG newVal)
{
    return PlaceBadge(L"CBiosCapsule::put_BadgeXPosition", newVal, &IWeaveLogoModule::put_BadgeXPosition);
}

IFACEMETHODIMP CBiosCapsule::put_BadgeYPosition(LONG newVal)
{
    return PlaceBadge(L"CBiosCapsule::put_BadgeYPosition", newVal, &IWeaveLogoModule::put_BadgeYPosition);
}

IFACEMETHODIMP CBiosCapsule::get_DisplayBadge(VARIANT_BOOL* pvbDisplayBadge)
{
    constexpr const wchar_t* function = L"CBiosCapsule::get_DisplayBadge";
    if (!pvbDisplayBadge) {
        return InvalidPointer(LOG_SITE(function));
    }
    RETURN_IF_FAILED(LogoModule());
    if (FAILED(m_pLogoModule->get_BadgeShown(pvbDisplayBadge))) {
        ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"WeaveLogoMod call to get_BadgeShown failed");
        return E_FAIL;
    }
    return S_OK;
}

// Showing the badge moves it to (0, 0); a client that wants both shows it first and places
// it afterwards.
IFACEMETHODIMP CBiosCapsule::put_DisplayBadge(VARIANT_BOOL newVal)
{
    constexpr const wchar_t* function = L"CBiosCapsule::put_DisplayBadge";
    RETURN_IF_FAILED(RequireSplash(function));
    const bool show = newVal != VARIANT_FALSE;
    if (FAILED(m_pLogoModule->put_BadgeShown(show ? VARIANT_TRUE : VARIANT_FALSE)) ||
        (show && (FAILED(m_pLogoModule->put_BadgeXPosition(0)) || FAILED(m_pLogoModule->put_BadgeYPosition(0))))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IBiosCapsule, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error setting badge option");
    }
    return S_OK;
}

// ---- What the logo module supports ----

IFACEMETHODIMP CBiosCapsule::get_BadgeColor(EBadge_Color* pBadgeColor)
{
    if (!pBadgeColor) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::get_BadgeColor"));
    }
    RETURN_IF_FAILED(LogoModule2Interface());
    LONG color = 0;
    RETURN_IF_FAILED(m_pLogoModule2->get_BadgeColor(&color));
    *pBadgeColor = color != 0 ? EWhite : EBlack;
    return S_OK;
}

IFACEMETHODIMP CBiosCapsule::put_BadgeColor(EBadge_Color newVal)
{
    RETURN_IF_FAILED(LogoModule2Interface());
    return m_pLogoModule2->put_BadgeColor(newVal != EBlack ? 1 : 0);
}

HRESULT CBiosCapsule::ReadMaxResolution(LONG* value, HRESULT (STDMETHODCALLTYPE LogoModule2::*get)(LONG*), LONG cap)
{
    RETURN_IF_FAILED(LogoModule2Interface());
    const HRESULT hr = (m_pLogoModule2.Get()->*get)(value);
    // The firmware shows no larger picture than this, whatever the module allows.
    if (hr == S_OK && *value > cap) {
        *value = cap;
    }
    return hr;
}

IFACEMETHODIMP CBiosCapsule::get_MaxResolutionX(LONG* plMaxResolutionX)
{
    if (!plMaxResolutionX) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::get_MaxResolutionX"));
    }
    return ReadMaxResolution(plMaxResolutionX, &LogoModule2::get_MaxResolutionX, kMaxShownWidth);
}

IFACEMETHODIMP CBiosCapsule::get_MaxResolutionY(LONG* plMaxResolutionY)
{
    if (!plMaxResolutionY) {
        return InvalidPointer(LOG_SITE(L"CBiosCapsule::get_MaxResolutionY"));
    }
    return ReadMaxResolution(plMaxResolutionY, &LogoModule2::get_MaxResolutionY, kMaxShownHeight);
}

HRESULT CBiosCapsule::IsLogoModule2Supported(VARIANT_BOOL* supported, const wchar_t* function)
{
    if (!supported) {
        return InvalidPointer(LOG_SITE(function));
    }
    *supported = VARIANT_FALSE;
    const HRESULT hr = LogoModule2Interface();
    if (hr == ResultCode::E_NO_SPLASH_MODULE) {
        CErrorInfoManager::Clear();
        return S_OK;
    }
    RETURN_IF_FAILED(hr);
    *supported = VARIANT_TRUE;
    return S_OK;
}

IFACEMETHODIMP CBiosCapsule::IsMaxResolutionSupported(VARIANT_BOOL* pvbMaxResolutionSupported)
{
    return IsLogoModule2Supported(pvbMaxResolutionSupported, L"CBiosCapsule::IsMaxResolutionSupported");
}

IFACEMETHODIMP CBiosCapsule::IsBadgeColorSupported(VARIANT_BOOL* pvbBadgeColorSupported)
{
    return IsLogoModule2Supported(pvbBadgeColorSupported, L"CBiosCapsule::IsBadgeColorSupported");
}

HRESULT CreateBiosCapsuleClassObject(IUnknown** classObject)
{
    return CreateClassObject<ClassFactory<CBiosCapsule>>(classObject);
}
