#include "FlashOperation.h"

#include "BiosId.h"
#include "CapsuleFile.h"
#include "frame/FailureReport.h"
#include "LogoModuleSearch.h"
#include "MessageIds.h"
#include "StreamBytes.h"
#include "WeaveEngineFactory.h"

#include "ErrorMacros.h"
#include "frame/ErrorInfoManager.h"
#include "frame/ResultCodes.h"
#include "system/EFIVar.h"

#include <ServerLib.h>

#include <cstdarg>
#include <vector>

CFlashOperation::~CFlashOperation()
{
    if (!m_hCorvidDll.Unload()) {
        ReportDiagnostic(LOG_SITE(L"CFlashOperation::~CFlashOperation"), LOG_ERROR, L"Not able to unload the Corvid DLL");
    }
}

HRESULT CFlashOperation::Flash(const SFlashOptions& options)
{
    CFlashOperation operation;
    const HRESULT hr = operation.Execute(options);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CFlashOperation::Flash"), LOG_ERROR, L"Failed to flash the BIOS");
    }
    return hr;
}

HRESULT CFlashOperation::Execute(const SFlashOptions& options)
{
    m_psOptions = &options;
    RETURN_IF_FAILED(RegisterAndLoadDlls());
    RETURN_IF_FAILED(LoadFileIntoStream(options.bioFile, &m_pstmBiosFile));
    RETURN_IF_FAILED(InitializeWeaveEngine(m_pstmBiosFile.Get()));
    if (VerifyBiosIdsMatch() != S_OK) {
        return E_FAIL;
    }
    RETURN_IF_FAILED(ApplySplashToCapsule());
    RETURN_IF_FAILED(ResetStreamSeekPtr(m_pstmBiosFile.Get()));
    RETURN_IF_FAILED(PrepareCapsule());
    RETURN_IF_FAILED(InvokeCapsule());
    return S_OK;
}

// Unlike a bare CLSID lookup failure code, "class not registered" is what creation by CLSID
// really answers for a library that was carried but not registered, so that is when the
// library is registered from the current folder.
HRESULT CFlashOperation::CreateEngine()
{
    constexpr const wchar_t* function = L"CFlashOperation::RegisterAndLoadDlls";
    m_pIWeaveEng.Reset();
    HRESULT hr = CWeaveEngineFactory::Create(&m_pIWeaveEng);
    if (hr == REGDB_E_CLASSNOTREG) {
        if (FAILED(CWeaveEngineFactory::RegisterFromCurrentFolder())) {
            return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                                  Describe(IID_IToolkit, MSG_ENGINE_NOT_REGISTERED), L"Failed to register Quillon.dll");
        }
        hr = CWeaveEngineFactory::Create(&m_pIWeaveEng);
        if (FAILED(hr)) {
            return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                                  L"Failed to load the Weave Engine");
        }
    } else if (FAILED(hr)) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error loading Weave Engine");
    }
    return S_OK;
}

HRESULT CFlashOperation::RegisterAndLoadDlls()
{
    RETURN_IF_FAILED(CreateEngine());
    if (!m_hCorvidDll.Load()) {
        return REPORT_FAILURE(L"CFlashOperation::RegisterAndLoadDlls", LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                              Describe(IID_IToolkit, MSG_CORVID_NOT_LOADED), L"Not able to load the Corvid DLL");
    }
    ReportDiagnostic(LOG_SITE(L"CFlashOperation::RegisterAndLoadDlls"), LOG_INFORMATION,
                     L"The Corvid DLL Loaded successfully");
    return S_OK;
}

HRESULT CFlashOperation::LoadFileIntoStream(const std::wstring& name, IStream** stream)
{
    constexpr const wchar_t* function = L"CFlashOperation::LoadFileIntoStream";
    bool closeFailed = false;
    const CCapsuleFile::Failure failure = CCapsuleFile::ReadIntoStream(name, stream, &closeFailed);
    if (closeFailed) {
        ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"Not able to close the file handle");
    }
    switch (failure) {
    case CCapsuleFile::Failure::None:
        return ResetStreamSeekPtr(*stream);
    case CCapsuleFile::Failure::EmptyName:
        return REPORT_FAILURE(function, LOG_ERROR, E_INVALIDARG, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Empty file name passed to LoadFileIntoStream");
    case CCapsuleFile::Failure::NotFound:
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_INVALID_FILE_NAME,
                              Describe(IID_IToolkit, MSG_FILE_NOT_FOUND, name.c_str()), L"File %s not found",
                              name.c_str());
    case CCapsuleFile::Failure::Close:
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_FILE_CLOSE,
                              Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE), L"Not able to close the file handle");
    case CCapsuleFile::Failure::Open:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on _wfopen()");
    case CCapsuleFile::Failure::Seek:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on fseek()");
    case CCapsuleFile::Failure::Tell:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on ftell()");
    case CCapsuleFile::Failure::Read:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on fread()");
    case CCapsuleFile::Failure::CreateStream:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on CreateStreamOnHGlobal()");
    case CCapsuleFile::Failure::Write:
        break;
    }
    return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                          L"Unexpected error on stream.p->Write()");
}

HRESULT CFlashOperation::ResetStreamSeekPtr(IStream* stream)
{
    constexpr const wchar_t* function = L"CFlashOperation::ResetStreamSeekPtr";
    if (!stream) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Passed in a NULL to ResetStreamSeek");
    }
    LARGE_INTEGER zero = {};
    if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on stream->Seek()");
    }
    return S_OK;
}

HRESULT CFlashOperation::InitializeWeaveEngine(IStream* stream)
{
    constexpr const wchar_t* function = L"CFlashOperation::InitializeWeaveEngine";
    RETURN_IF_FAILED(ResetStreamSeekPtr(stream));
    VARIANT_BOOL isCapsule = VARIANT_FALSE;
    if (FAILED(m_pIWeaveEng->CheckIfWeaveCapsule(stream, &isCapsule))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on CheckIfWeaveCapsule()");
    }
    if (!isCapsule) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_SETTING_UNUSABLE,
                              Describe(IID_IToolkit, MSG_INVALID_BIO_FILE), L"The BIO file doesn't support Weave");
    }
    RETURN_IF_FAILED(ResetStreamSeekPtr(stream));
    if (FAILED(m_pIWeaveEng->LoadWeaveCapsule(stream))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on LoadWeaveCapsule()");
    }
    return S_OK;
}

HRESULT CFlashOperation::GetBiosIdFromVariable(std::wstring& id)
{
    CEFIVar efiVar;
    std::vector<BYTE> data;
    HRESULT hr = efiVar.ReadVariable(VariableName::FirmwareId, &VendorGuid::FirmwareId, data, nullptr, 1);
    if (FAILED(hr)) {
        hr = efiVar.ReadVariable(VariableName::FirmwareId, &VendorGuid::FirmwareIdFallback, data, nullptr, 1);
    }
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CFlashOperation::GetBiosIdFromVariable"), LOG_ERROR,
                         L"Failed to obtain variable.  BIOS ID unknown");
        return E_FAIL;
    }
    id = CBiosId::FromVariable(data);
    ReportDiagnostic(LOG_SITE(L"CFlashOperation::GetBiosIdFromVariable"), LOG_INFORMATION, L"BIOS ID: %s", id.c_str());
    return S_OK;
}

HRESULT CFlashOperation::VerifyBiosIdsMatch()
{
    constexpr const wchar_t* function = L"CFlashOperation::VerifyBiosIdsMatch";
    if (!m_pIWeaveEng) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_INTERNAL_ERROR),
                              L"Weave engine not properly initialized");
    }
    UniqueBstr imageId;
    if (m_pIWeaveEng->get_FirmwareId(imageId.put()) != S_OK) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_NO_BIOS_ID),
                              L"Error getting Capsule Firmware ID");
    }
    std::wstring boardId;
    RETURN_IF_FAILED(GetBiosIdFromVariable(boardId));
    if (CBiosId::IsCompatible(imageId.c_str(), boardId)) {
        return S_OK;
    }
    REPORT_FAILURE(function, LOG_ERROR, S_OK,
                   Describe(IID_IToolkit, MSG_BIOS_ID_MISMATCH, imageId.c_str(), boardId.c_str()),
                   L"BIOS IDs don't match (%s)(%s), so Flash can't proceed", imageId.c_str(), boardId.c_str());
    return S_FALSE;
}

HRESULT CFlashOperation::ExtractLogoModule(IWeaveLogoModule** logo)
{
    constexpr const wchar_t* function = L"CFlashOperation::ExtractLogoModule";
    const wchar_t* failedStep = L"";
    const HRESULT hr = CLogoModuleSearch::Find(m_pIWeaveEng.Get(), logo, &failedStep);
    if (hr == ResultCode::E_NO_SPLASH_MODULE) {
        return REPORT_FAILURE(function, LOG_ERROR, hr, Describe(IID_IToolkit, MSG_NO_SPLASH_SUPPORT),
                              L"No splash Weave module found.");
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE), L"%s",
                              failedStep);
    }
    return S_OK;
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
    RETURN_IF_FAILED(LoadFileIntoStream(m_psOptions->splashFile, &picture));
    ComPtr<IWeaveLogoModule> logo;
    RETURN_IF_FAILED(ExtractLogoModule(&logo));
    RETURN_IF_FAILED(PutSplash(logo.Get(), picture.Get()));
    LONG remaining = 0;
    if (FAILED(m_pIWeaveEng->get_SizeRemaining(&remaining))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on get_SizeRemaining()");
    }
    if (remaining < 0) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_OUT_OF_STORAGE,
                              Describe(IID_IToolkit, MSG_SPLASH_TOO_LARGE), L"Splash image too big; size remaining: %d",
                              static_cast<int>(remaining));
    }
    RETURN_IF_FAILED(ResetStreamSeekPtr(m_pstmBiosFile.Get()));
    if (FAILED(m_pIWeaveEng->SaveWeaveCapsule(m_pstmBiosFile.Get()))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Error calling m_pIWeaveEng->SaveWeaveCapsule()");
    }
    return S_OK;
}

HRESULT CFlashOperation::InterpretCorvidRetVal(uint32_t status)
{
    return CCorvidLibrary::ReportStatus(LOG_SITE(L"CFlashOperation::InterpretCorvidRetVal"), IID_IToolkit, status);
}

// The loaded bytes go out as they are: only a splash edit saves the image through the engine.
HRESULT CFlashOperation::PrepareCapsule()
{
    constexpr const wchar_t* function = L"CFlashOperation::PrepareCapsule";
    if (!m_hCorvidDll.IsLoaded()) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                              Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Attempting to PrepareCapsule() before DLL loaded");
    }
    CStreamBytes image;
    switch (image.Open(m_pstmBiosFile.Get())) {
    case CStreamBytes::Failure::None:
        break;
    case CStreamBytes::Failure::Seek:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Error calling m_pstmBiosFile->Seek()");
    case CStreamBytes::Failure::Rewind:
        return ResetStreamSeekPtr(nullptr);
    case CStreamBytes::Failure::Read:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Error calling m_pstmBiosFile->Read()");
    }
    const std::optional<uint32_t> status = m_hCorvidDll.PrepareCapsule(image.Data(), image.Size());
    if (!status) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_CORVID_NOT_LOADED),
                              L"Failure in GetProcAddress for Corvid.dll");
    }
    return InterpretCorvidRetVal(*status);
}

HRESULT CFlashOperation::InvokeCapsule()
{
    constexpr const wchar_t* function = L"CFlashOperation::InvokeCapsule";
    if (!m_hCorvidDll.IsLoaded()) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                              Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                              L"Attempting to PrepareCapsule() before DLL loaded");
    }
    const std::optional<uint32_t> status = m_hCorvidDll.InvokeCapsule();
    if (!status) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_CORVID_NOT_LOADED),
                              L"Error loading routine in Corvid.dll");
    }
    return InterpretCorvidRetVal(*status);
}
