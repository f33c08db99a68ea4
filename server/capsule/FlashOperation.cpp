#include "FlashOperation.h"

#include "frame/FailureReport.h"
#include "MessageIds.h"

#include "ErrorMacros.h"
#include "frame/ResultCodes.h"

#include <ServerLib.h>

namespace {

using StreamKind = CCapsuleSession::StreamKind;

} // namespace

CFlashOperation::~CFlashOperation()
{
    if (!m_session.Close()) {
        ReportDiagnostic(LOG_SITE(L"CFlashOperation::~CFlashOperation"), LOG_ERROR, L"Not able to unload the Corvid DLL");
    }
}

HRESULT CFlashOperation::Execute(const SFlashOptions& options)
{
    m_psOptions = &options;
    RETURN_IF_FAILED(m_session.Open());
    RETURN_IF_FAILED(m_session.LoadFileIntoStream(options.bioFile, &m_pstmBiosFile, StreamKind::Image));
    RETURN_IF_FAILED(m_session.ParseImage(m_pstmBiosFile.Get()));
    if (VerifyBiosIdsMatch() != S_OK) {
        return E_FAIL;
    }
    RETURN_IF_FAILED(ApplySplashToCapsule());
    RETURN_IF_FAILED(m_session.ResetStreamSeekPtr(m_pstmBiosFile.Get(), StreamKind::Image));
    RETURN_IF_FAILED(PrepareCapsule());
    RETURN_IF_FAILED(InvokeCapsule());
    return S_OK;
}

HRESULT CFlashOperation::VerifyBiosIdsMatch()
{
    std::wstring imageId;
    RETURN_IF_FAILED(m_session.GetImageId(imageId));
    std::wstring boardId;
    RETURN_IF_FAILED(m_session.GetBiosIdFromVariable(boardId));
    return m_session.MatchBiosIds(imageId, boardId);
}

HRESULT CFlashOperation::PutSplash(IWeaveLogoModule* logo, IStream* picture)
{
    constexpr const wchar_t* function = L"CFlashOperation::ApplySplashToCapsule";
    ComPtr<IWeaveSplashSite> site;
    if (FAILED(logo->QueryInterface(IID_PPV_ARGS(&site)))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error converting Module to LogoModule");
    }
    if (FAILED(site->PutSplash(picture))) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_SPLASH_NOT_PASSED,
                              Describe(IID_IToolkit, MSG_SPLASH_NOT_INSTALLED),
                              L"Error passing splash file into Weave Engine");
    }
    const bool badge = m_psOptions->badge;
    if (FAILED(logo->put_BadgeShown(badge ? VARIANT_TRUE : VARIANT_FALSE)) ||
        (badge && (FAILED(logo->put_BadgeXPosition(0)) || FAILED(logo->put_BadgeYPosition(0))))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error setting badge option");
    }
    return S_OK;
}

// Only a splash edit saves the image through the engine; without one the loaded bytes are
// staged as they are.
HRESULT CFlashOperation::ApplySplashToCapsule()
{
    constexpr const wchar_t* function = L"CFlashOperation::ApplySplashToCapsule";
    if (!m_psOptions) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"m_psOptions not initialized in ApplySplashToCapsule");
    }
    if (m_psOptions->splashFile.empty()) {
        return S_OK;
    }
    ComPtr<IStream> picture;
    RETURN_IF_FAILED(m_session.LoadFileIntoStream(m_psOptions->splashFile, &picture, StreamKind::Splash));
    ComPtr<IWeaveLogoModule> logo;
    RETURN_IF_FAILED(m_session.ExtractLogoModule(&logo));
    RETURN_IF_FAILED(PutSplash(logo.Get(), picture.Get()));
    LONG remaining = 0;
    if (FAILED(m_session.Engine()->get_SizeRemaining(&remaining))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on get_SizeRemaining()");
    }
    if (remaining < 0) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_OUT_OF_STORAGE,
                              Describe(IID_IToolkit, MSG_SPLASH_TOO_LARGE), L"Splash image too big; size remaining: %d",
                              static_cast<int>(remaining));
    }
    return m_session.SaveImage(m_pstmBiosFile.Get());
}

HRESULT CFlashOperation::RequireLibrary(const wchar_t* function)
{
    if (m_session.IsLibraryLoaded()) {
        return S_OK;
    }
    return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                          Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                          L"Attempting to PrepareCapsule() before DLL loaded");
}

HRESULT CFlashOperation::PrepareCapsule()
{
    RETURN_IF_FAILED(RequireLibrary(L"CFlashOperation::PrepareCapsule"));
    return m_session.PrepareCapsule(m_pstmBiosFile.Get());
}

HRESULT CFlashOperation::InvokeCapsule()
{
    RETURN_IF_FAILED(RequireLibrary(L"CFlashOperation::InvokeCapsule"));
    return m_session.InvokeCapsule();
}
