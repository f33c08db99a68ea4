#include "CapsuleSession.h"

#include "BiosId.h"
#include "CapsuleFile.h"
#include "LogoModuleSearch.h"
#include "StreamBytes.h"
#include "WeaveEngineFactory.h"

#include "ErrorMacros.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "history/HistoryStamp.h"
#include "MessageIds.h"
#include "system/EFIVar.h"

#include <ServerLib.h>

#include <vector>

// Formats and messages here are always given the same arguments; one without a conversion
// leaves its argument out.
struct SCapsuleClientReports {
    // A failure's result and the message that describes it.
    struct Failure {
        HRESULT result;
        UINT messageId;
    };

    const IID* iid;                        // the interface the caller is told has failed
    HRESULT noEngine;                      // after an Open that failed
    HRESULT engineUnavailable;             // creation failed other than for a missing registration
    const wchar_t* engineUnavailableText;  // argument: the creation's result
    Failure emptyFileName;                 // message argument: the name
    Failure unreadableFile;                // open, size, read and stream failures; argument: the name
    HRESULT rewindFailure;
    UINT rewindMessage[2];                 // by StreamKind
    const wchar_t* rewindNullText;
    const wchar_t* rewindSeekText;
    UINT boardIdUnreadableMessage;         // 0: the failure goes to the log only
};

namespace {

constexpr wchar_t kRewindInvalidBio[] = L"Unexpected error on stream->Seek().  Invalid BIO File";

// The IBiosCapsule object tells its caller which file failed and how; the one-request flash
// describes most of its failures as unexpected, and the toolkit logs the request as failed.
const SCapsuleClientReports kBiosCapsuleReports = {
    .iid = &IID_IBiosCapsule,
    .noEngine = E_POINTER,
    .engineUnavailable = ResultCode::E_EFIVAR_DLL_NOT_LOADED,
    .engineUnavailableText = L"Unexpected error loading Weave Engine: hr=%x",
    .emptyFileName = {ResultCode::E_INVALID_FILE_NAME, MSG_FILE_NOT_FOUND},
    .unreadableFile = {ResultCode::E_SETTING_UNUSABLE, MSG_READ_FILE_FAILED},
    .rewindFailure = ResultCode::E_SETTING_UNUSABLE,
    .rewindMessage = {MSG_READ_SPLASH_FAILED, MSG_READ_BIO_FAILED},
    .rewindNullText = kRewindInvalidBio,
    .rewindSeekText = kRewindInvalidBio,
    .boardIdUnreadableMessage = MSG_RETRIEVE_FAILED,
};

const SCapsuleClientReports kFlashOperationReports = {
    .iid = &IID_IToolkit,
    .noEngine = E_FAIL,
    .engineUnavailable = E_FAIL,
    .engineUnavailableText = L"Unexpected error loading Weave Engine",
    .emptyFileName = {E_INVALIDARG, MSG_UNEXPECTED_FAILURE},
    .unreadableFile = {E_FAIL, MSG_UNEXPECTED_FAILURE},
    .rewindFailure = E_FAIL,
    .rewindMessage = {MSG_UNEXPECTED_FAILURE, MSG_UNEXPECTED_FAILURE},
    .rewindNullText = L"Passed in a NULL to ResetStreamSeek",
    .rewindSeekText = L"Unexpected error on stream->Seek()",
    .boardIdUnreadableMessage = 0,
};

const SCapsuleClientReports& ReportsOf(CCapsuleSession::Client client)
{
    return client == CCapsuleSession::Client::BiosCapsule ? kBiosCapsuleReports : kFlashOperationReports;
}

// The library's own status for "unknown error", for an export that vanished after its check.
constexpr uint32_t kCorvidUnknownError = 1;

} // namespace

CCapsuleSession::CCapsuleSession(Client client) : m_reports(ReportsOf(client)) {}

// ---- The companions ----

HRESULT CCapsuleSession::Open()
{
    RETURN_IF_FAILED(CreateEngine());
    return LoadCorvidLibrary();
}

bool CCapsuleSession::Close()
{
    const bool unloaded = m_hCorvidDll.Unload();
    m_pIWeaveEng.Reset();
    return unloaded;
}

// Unlike a bare CLSID lookup failure code, "class not registered" is what creation by CLSID
// really answers for a library that was carried but not registered, so that is when the
// library is registered from the current folder.
HRESULT CCapsuleSession::CreateEngine()
{
    constexpr const wchar_t* function = L"CCapsuleSession::CreateEngine";
    const IID& iid = *m_reports.iid;
    m_pIWeaveEng.Reset();
    HRESULT hr = CWeaveEngineFactory::Create(&m_pIWeaveEng);
    if (hr == REGDB_E_CLASSNOTREG) {
        if (FAILED(CWeaveEngineFactory::RegisterFromCurrentFolder())) {
            return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                                  Describe(iid, MSG_ENGINE_NOT_REGISTERED), L"Failed to register Quillon.dll");
        }
        hr = CWeaveEngineFactory::Create(&m_pIWeaveEng);
        if (FAILED(hr)) {
            return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(iid, MSG_UNEXPECTED_FAILURE),
                                  L"Failed to load the Weave Engine");
        }
    } else if (FAILED(hr)) {
        return REPORT_FAILURE(function, LOG_ERROR, m_reports.engineUnavailable, Describe(iid, MSG_UNEXPECTED_FAILURE),
                              m_reports.engineUnavailableText, static_cast<unsigned>(hr));
    }
    return S_OK;
}

HRESULT CCapsuleSession::LoadCorvidLibrary()
{
    constexpr const wchar_t* function = L"CCapsuleSession::LoadCorvidLibrary";
    if (!m_hCorvidDll.Load()) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                              Describe(*m_reports.iid, MSG_CORVID_NOT_LOADED), L"Not able to load the Corvid DLL");
    }
    ReportDiagnostic(LOG_SITE(function), LOG_INFORMATION, L"The Corvid DLL Loaded successfully");
    return S_OK;
}

HRESULT CCapsuleSession::RequireEngine(const LogSite& site) const
{
    if (m_pIWeaveEng) {
        return S_OK;
    }
    return ReportFailureAt(site, LOG_ERROR, m_reports.noEngine, Describe(*m_reports.iid, MSG_INTERNAL_ERROR),
                           L"Weave engine not properly initialized");
}

// ---- Files and streams ----

HRESULT CCapsuleSession::LoadFileIntoStream(const std::wstring& name, IStream** stream, StreamKind kind)
{
    constexpr const wchar_t* function = L"CCapsuleSession::LoadFileIntoStream";
    const IID& iid = *m_reports.iid;
    bool closeFailed = false;
    const CCapsuleFile::Failure failure = CCapsuleFile::ReadIntoStream(name, stream, &closeFailed);
    if (closeFailed) {
        ReportDiagnostic(LOG_SITE(function), LOG_ERROR, L"Not able to close the file handle");
    }
    const wchar_t* report = nullptr;
    switch (failure) {
    case CCapsuleFile::Failure::None:
        if (kind == StreamKind::Image) {
            m_pendingImage.path = history::FullPath(name);
            m_pendingImage.sha256.clear();
            if (FAILED(history::FileSha256(m_pendingImage.path, m_pendingImage.sha256))) {
                ReportDiagnostic(LOG_SITE(function), LOG_WARNING,
                                 L"The digest of %ls could not be had for the history of changes", name.c_str());
            }
        }
        return ResetStreamSeekPtr(*stream, kind);
    case CCapsuleFile::Failure::EmptyName:
        return REPORT_FAILURE(function, LOG_ERROR, m_reports.emptyFileName.result,
                              Describe(iid, m_reports.emptyFileName.messageId, name.c_str()),
                              L"Empty file name passed to LoadFileIntoStream");
    case CCapsuleFile::Failure::NotFound:
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_INVALID_FILE_NAME,
                              Describe(iid, MSG_FILE_NOT_FOUND, name.c_str()), L"File %s not found", name.c_str());
    case CCapsuleFile::Failure::Close:
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_FILE_CLOSE, Describe(iid, MSG_UNEXPECTED_FAILURE),
                              L"Not able to close the file handle");
    case CCapsuleFile::Failure::Open: report = L"Unexpected error on _wfopen()"; break;
    case CCapsuleFile::Failure::Seek: report = L"Unexpected error on fseek()"; break;
    case CCapsuleFile::Failure::Tell: report = L"Unexpected error on ftell()"; break;
    case CCapsuleFile::Failure::Read: report = L"Unexpected error on fread()"; break;
    case CCapsuleFile::Failure::CreateStream: report = L"Unexpected error on CreateStreamOnHGlobal()"; break;
    case CCapsuleFile::Failure::Write: report = L"Unexpected error on stream.p->Write()"; break;
    }
    return REPORT_FAILURE(function, LOG_ERROR, m_reports.unreadableFile.result,
                          Describe(iid, m_reports.unreadableFile.messageId, name.c_str()), L"%s", report);
}

HRESULT CCapsuleSession::ResetStreamSeekPtr(IStream* stream, StreamKind kind)
{
    constexpr const wchar_t* function = L"CCapsuleSession::ResetStreamSeekPtr";
    const UINT message = m_reports.rewindMessage[static_cast<size_t>(kind)];
    if (!stream) {
        return REPORT_FAILURE(function, LOG_ERROR, m_reports.rewindFailure, Describe(*m_reports.iid, message),
                              m_reports.rewindNullText);
    }
    LARGE_INTEGER zero = {};
    if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) {
        return REPORT_FAILURE(function, LOG_ERROR, m_reports.rewindFailure, Describe(*m_reports.iid, message),
                              m_reports.rewindSeekText);
    }
    return S_OK;
}

// ---- The image in the engine ----

HRESULT CCapsuleSession::ParseImage(IStream* image)
{
    constexpr const wchar_t* function = L"CCapsuleSession::ParseImage";
    const IID& iid = *m_reports.iid;
    // The file just read, if this is its stream; a stream of the client's own has no file.
    ImageFile file = std::move(m_pendingImage);
    m_pendingImage = {};
    RETURN_IF_FAILED(RequireEngine(LOG_SITE(function)));
    RETURN_IF_FAILED(ResetStreamSeekPtr(image, StreamKind::Image));
    VARIANT_BOOL isCapsule = VARIANT_FALSE;
    if (FAILED(m_pIWeaveEng->CheckIfWeaveCapsule(image, &isCapsule))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(iid, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on CheckIfWeaveCapsule()");
    }
    if (!isCapsule) {
        return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_SETTING_UNUSABLE, Describe(iid, MSG_INVALID_BIO_FILE),
                              L"The BIO file doesn't support Weave");
    }
    RETURN_IF_FAILED(ResetStreamSeekPtr(image, StreamKind::Image));
    if (FAILED(m_pIWeaveEng->LoadWeaveCapsule(image))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(iid, MSG_UNEXPECTED_FAILURE),
                              L"Unexpected error on LoadWeaveCapsule()");
    }
    m_parsedImage = std::move(file);
    return S_OK;
}

HRESULT CCapsuleSession::GetImageId(std::wstring& id)
{
    constexpr const wchar_t* function = L"CCapsuleSession::GetImageId";
    RETURN_IF_FAILED(RequireEngine(LOG_SITE(function)));
    UniqueBstr text;
    if (m_pIWeaveEng->get_FirmwareId(text.put()) != S_OK) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(*m_reports.iid, MSG_NO_BIOS_ID),
                              L"Error getting Capsule Firmware ID");
    }
    id.assign(text.c_str(), text.length());
    return S_OK;
}

HRESULT CCapsuleSession::ExtractLogoModule(IWeaveLogoModule** logo)
{
    constexpr const wchar_t* function = L"CCapsuleSession::ExtractLogoModule";
    RETURN_IF_FAILED(RequireEngine(LOG_SITE(function)));
    const wchar_t* failedStep = L"";
    const HRESULT hr = CLogoModuleSearch::Find(m_pIWeaveEng.Get(), logo, &failedStep);
    if (hr == ResultCode::E_NO_SPLASH_MODULE) {
        return REPORT_FAILURE(function, LOG_ERROR, hr, Describe(*m_reports.iid, MSG_NO_SPLASH_SUPPORT),
                              L"No splash Weave module found.");
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(*m_reports.iid, MSG_UNEXPECTED_FAILURE), L"%s",
                              failedStep);
    }
    return S_OK;
}

HRESULT CCapsuleSession::SaveImage(IStream* image)
{
    constexpr const wchar_t* function = L"CCapsuleSession::SaveImage";
    RETURN_IF_FAILED(RequireEngine(LOG_SITE(function)));
    RETURN_IF_FAILED(ResetStreamSeekPtr(image, StreamKind::Image));
    if (FAILED(m_pIWeaveEng->SaveWeaveCapsule(image))) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(*m_reports.iid, MSG_UNEXPECTED_FAILURE),
                              L"Error calling m_pIWeaveEng->SaveWeaveCapsule()");
    }
    return S_OK;
}

// ---- Firmware IDs ----

HRESULT CCapsuleSession::GetBiosIdFromVariable(std::wstring& id)
{
    constexpr const wchar_t* function = L"CCapsuleSession::GetBiosIdFromVariable";
    CEFIVar efiVar;
    std::vector<BYTE> data;
    HRESULT hr = efiVar.ReadVariable(VariableName::FirmwareId, &VendorGuid::FirmwareId, data, nullptr, 1);
    if (FAILED(hr)) {
        hr = efiVar.ReadVariable(VariableName::FirmwareId, &VendorGuid::FirmwareIdFallback, data, nullptr, 1);
    }
    if (FAILED(hr)) {
        const UINT message = m_reports.boardIdUnreadableMessage;
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL,
                              message ? Describe(*m_reports.iid, message) : Description::LogOnly(),
                              L"Failed to obtain variable.  BIOS ID unknown");
    }
    // The first read's failure described itself; the second read answered.
    CErrorInfoManager::Clear();
    id = CBiosId::FromVariable(data);
    ReportDiagnostic(LOG_SITE(function), LOG_INFORMATION, L"BIOS ID: %s", id.c_str());
    return S_OK;
}

HRESULT CCapsuleSession::MatchBiosIds(const std::wstring& imageId, const std::wstring& boardId)
{
    if (CBiosId::IsCompatible(imageId, boardId)) {
        return S_OK;
    }
    REPORT_FAILURE(L"CCapsuleSession::MatchBiosIds", LOG_ERROR, S_OK,
                   Describe(*m_reports.iid, MSG_BIOS_ID_MISMATCH, imageId.c_str(), boardId.c_str()),
                   L"BIOS IDs don't match (%s)(%s), so Flash can't proceed", imageId.c_str(), boardId.c_str());
    return S_FALSE;
}

// ---- The capsule-update library ----

HRESULT CCapsuleSession::InterpretCorvidRetVal(uint32_t status)
{
    return CCorvidLibrary::ReportStatus(LOG_SITE(L"CCapsuleSession::InterpretCorvidRetVal"), *m_reports.iid, status);
}

HRESULT CCapsuleSession::PrepareCapsule(IStream* image)
{
    constexpr const wchar_t* function = L"CCapsuleSession::PrepareCapsule";
    const IID& iid = *m_reports.iid;
    CStreamBytes bytes;
    switch (bytes.Open(image)) {
    case CStreamBytes::Failure::None:
        break;
    case CStreamBytes::Failure::Seek:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(iid, MSG_UNEXPECTED_FAILURE),
                              L"Error calling m_pstmBiosFile->Seek()");
    case CStreamBytes::Failure::Rewind:
        return ResetStreamSeekPtr(nullptr, StreamKind::Image);
    case CStreamBytes::Failure::Read:
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(iid, MSG_UNEXPECTED_FAILURE),
                              L"Error calling m_pstmBiosFile->Read()");
    }
    const std::optional<uint32_t> status = m_hCorvidDll.PrepareCapsule(bytes.Data(), bytes.Size());
    if (!status) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(iid, MSG_CORVID_NOT_LOADED),
                              L"Failure in GetProcAddress for Corvid.dll");
    }
    return InterpretCorvidRetVal(*status);
}

HRESULT CCapsuleSession::InvokeCapsule(const std::function<void()>& beforeArming)
{
    if (!m_hCorvidDll.HasExport("InvokeCapsule")) {
        return REPORT_FAILURE(L"CCapsuleSession::InvokeCapsule", LOG_ERROR, E_FAIL,
                              Describe(*m_reports.iid, MSG_CORVID_NOT_LOADED), L"Error loading routine in Corvid.dll");
    }
    if (beforeArming) {
        beforeArming();
    }
    const std::wstring boardId = QuietBoardId();
    const HRESULT hr = InterpretCorvidRetVal(m_hCorvidDll.InvokeCapsule().value_or(kCorvidUnknownError));
    if (SUCCEEDED(hr)) {
        AppendFlashToHistory(boardId);
    }
    return hr;
}

std::wstring CCapsuleSession::QuietBoardId()
{
    std::wstring id;
    if (FAILED(GetBiosIdFromVariable(id))) {
        // Logged; the history's record is no reason to fail the update or describe a failure.
        CErrorInfoManager::Clear();
    }
    return id;
}

void CCapsuleSession::AppendFlashToHistory(const std::wstring& boardId)
try {
    history::Record record;
    record.operation = "flash";
    record.file = history::Utf8(m_parsedImage.path);
    record.sha256 = m_parsedImage.sha256;
    record.resultName = "S_OK";
    std::wstring imageId;
    if (FAILED(GetImageId(imageId))) {
        CErrorInfoManager::Clear();
    }
    history::Item item;
    item.key = "BIOS ID";
    item.name = "BIOS ID";
    item.before = history::Utf8(boardId);
    item.after = history::Utf8(imageId);
    record.items.push_back(std::move(item));
    // The outcome of the update before this one: a later run that finds it changed knows
    // that the restart has handled this capsule, even when the firmware ID did not change.
    uint32_t status = 0;
    if (SUCCEEDED(GetLastStatus(&status))) {
        history::Item last;
        last.key = "capsule status";
        last.name = "Last capsule update status";
        last.before = std::to_string(status);
        last.after = "pending";
        record.items.push_back(std::move(last));
    } else {
        CErrorInfoManager::Clear();
    }
    const HRESULT hr = history::AppendStamped(std::move(record));
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CCapsuleSession::AppendFlashToHistory"), LOG_WARNING,
                         L"The flash was not written to the history of changes (0x%08lX)", static_cast<unsigned long>(hr));
    }
}
catch (...) {
    ReportDiagnostic(LOG_SITE(L"CCapsuleSession::AppendFlashToHistory"), LOG_WARNING,
                     L"The flash was not written to the history of changes (out of memory)");
}

HRESULT CCapsuleSession::GetLastStatus(uint32_t* status)
{
    const std::optional<uint32_t> result = m_hCorvidDll.GetLastStatus(status);
    if (!result) {
        return REPORT_FAILURE(L"CCapsuleSession::GetLastStatus", LOG_ERROR, E_FAIL,
                              Describe(*m_reports.iid, MSG_CORVID_NOT_LOADED),
                              L"Failure in GetProcAddress for Corvid.dll");
    }
    return InterpretCorvidRetVal(*result);
}
