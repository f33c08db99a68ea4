#include "PayloadManager.h"

#include "BIOSModifiedFlag.h"
#include "DetectCorrin6.h"
#include "VariableCatalogue.h"

#include "frame/ErrorInfoManager.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"

#include <algorithm>

namespace {

constexpr ULONG kVariableAttributes = 7;

// Tells the client about a payload problem in the words of the message library.
void FirePayloadError(UINT messageId)
{
    std::wstring text;
    if (FAILED(LoadMessageString(messageId, &text))) {
        // The client still learns which problem it was.
        text = L"Payload error (message " + std::to_wstring(messageId) + L")";
    }
    ToolkitEvents::Fire([&text](IToolkitEventTarget& target) { return target.Fire_OnPayloadError(text.c_str()); });
}

HRESULT LastError()
{
    return HRESULT_FROM_WIN32(::GetLastError());
}

} // namespace

// ---- CPayloadFile ----

HRESULT CPayloadFile::Open(const std::wstring& name)
{
    m_file.reset(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file ? S_OK : LastError();
}

HRESULT CPayloadFile::Read(std::span<BYTE> bytes, size_t& got)
{
    got = 0;
    while (got < bytes.size()) {
        // A payload is at most 65535 bytes, so one piece never exceeds a DWORD.
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 0x10000));
        DWORD read = 0;
        if (!::ReadFile(m_file.get(), bytes.data() + got, wanted, &read, nullptr)) {
            return LastError();
        }
        if (read == 0) {
            break;  // the end of the file
        }
        got += read;
    }
    return S_OK;
}

HRESULT CPayloadFile::Size(ULONGLONG& size)
{
    LARGE_INTEGER end{};
    if (!::GetFileSizeEx(m_file.get(), &end)) {
        return LastError();
    }
    size = static_cast<ULONGLONG>(end.QuadPart);
    return S_OK;
}

HRESULT CPayloadFile::SeekToStart()
{
    return ::SetFilePointer(m_file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ? LastError() : S_OK;
}

// ---- CAfscPayload ----

HRESULT CAfscPayload::LoadPayload(CPayloadFile* file, BOOL* handled)
try {
    if (!file || !handled) {
        return REPORT_FAILURE(L"CAfscPayload::LoadPayload", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    *handled = FALSE;
    bool ofThisKind = false;
    RETURN_IF_FAILED(PopulateAfscHeaderFromFile(*file, ofThisKind));
    if (ofThisKind) {
        RETURN_IF_FAILED(VerifyPayloadCorrectness(*file, ofThisKind));
    }
    if (!ofThisKind) {
        return S_OK;
    }
    RETURN_IF_FAILED(StorePayloadFile(*file));
    *handled = TRUE;
    return S_OK;
}
CATCH_RETURN()

HRESULT CAfscPayload::PopulateAfscHeaderFromFile(CPayloadFile& file, bool& ofThisKind)
{
    const LogSite site = LOG_SITE(L"CAfscPayload::PopulateAfscHeaderFromFile");
    ofThisKind = false;
    BYTE header[payload_format::kFileHeaderBytes] = {};
    size_t got = 0;
    if (FAILED(file.Read(header, got))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unknown file I/O error");
    }
    const payload_format::FileCheck check = payload_format::CheckFile(std::span<const BYTE>(header, got), m_header);
    if (check == payload_format::FileCheck::Truncated) {
        ReportFailureAt(site, LOG_WARNING, ResultCode::E_PAYLOAD_SIZE, Describe(MSG_INSTALL_FAILED),
                        L"Payload file is too small; payload is broken");
        FirePayloadError(MSG_PAYLOAD_CORRUPT);
        return ResultCode::E_PAYLOAD_SIZE;
    }
    if (got < payload_format::kFileHeaderBytes) {
        ReportDiagnostic(site, LOG_WARNING, L"Payload file is too small to be an AFSC payload");
        return S_OK;
    }
    // The file's version bytes are not taken: the variable always announces version 1.0,
    // the only one the firmware reads. So a payload is never newer than the supported
    // version, and OnNewerZENTVersion (S_PAYLOAD_NEWER) is never reported.
    m_header.major = 1;
    m_header.minor = 0;
    ofThisKind = true;
    return S_OK;
}

HRESULT CAfscPayload::VerifyPayloadCorrectness(CPayloadFile& file, bool& ofThisKind)
{
    const LogSite site = LOG_SITE(L"CAfscPayload::VerifyPayloadCorrectness");
    ofThisKind = m_header.signature == payload_format::kSignature;
    if (!ofThisKind) {
        return S_OK;
    }
    ULONGLONG size = 0;
    if (FAILED(file.Size(size))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unknown file I/O error");
    }
    // The length field has 16 bits: a file above 65535 bytes never matches it, and is not read.
    if (size != m_header.length) {
        ReportDiagnostic(site, LOG_ERROR, L"The file has %llu bytes; its header says %u", size,
                         static_cast<unsigned>(m_header.length));
        ReportFailureAt(site, LOG_ERROR, ResultCode::E_PAYLOAD_SIZE, Describe(MSG_INSTALL_FAILED),
                        L"ZENT payload file size doesn't match header");
        FirePayloadError(MSG_PAYLOAD_CORRUPT);
        return ResultCode::E_PAYLOAD_SIZE;
    }
    return S_OK;
}

HRESULT CAfscPayload::StorePayloadFile(CPayloadFile& file)
{
    std::vector<BYTE> bytes(m_header.length);
    size_t got = 0;
    payload_format::FileHeader header;
    // The file is shared with writers: take it only when what is read is still the payload
    // whose size was checked.
    if (FAILED(file.SeekToStart()) || FAILED(file.Read(bytes, got)) || got != bytes.size() ||
        payload_format::CheckFile(bytes, header) != payload_format::FileCheck::Payload) {
        return REPORT_FAILURE(L"CAfscPayload::StorePayloadFile", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"File I/O error reading payload file into buffer");
    }
    m_file = std::move(bytes);
    return S_OK;
}

HRESULT CAfscPayload::Install()
try {
    if (!VerifySystem()) {
        ReportDiagnostic(LOG_SITE(L"CAfscPayload::Install"), LOG_ERROR, L"System not valid for ZENT");
        FirePayloadError(MSG_PAYLOAD_INVALID_ON_HARDWARE);
        return ResultCode::E_PAYLOAD_SYSTEM;
    }
    return FAILED(InstallPayload()) ? E_FAIL : S_OK;
}
CATCH_RETURN()

// The payload drives the fans itself: a board whose monitor chip the cooling settings drive
// may not take it, and neither may a board whose chips cannot be counted.
bool CAfscPayload::VerifySystem()
{
    const LogSite site = LOG_SITE(L"CAfscPayload::VerifySystem");
    ULONG count = 0;
    HRESULT detection = S_OK;
    if (GetCorrinsPresent(&count, &detection) != S_OK) {
        ReportDiagnostic(site, LOG_ERROR, L"Unable to count the hardware-monitor chips: %lx",
                         static_cast<unsigned long>(detection));
        return false;
    }
    if (count == 1) {
        ReportFailureAt(site, LOG_ERROR, ResultCode::E_PAYLOAD_SYSTEM, Describe(MSG_PAYLOAD_INVALID_ON_HARDWARE),
                        L"Attemping to install ZENT on a Corrin board");
        return false;
    }
    return true;
}

HRESULT CAfscPayload::InstallPayload()
{
    const LogSite site = LOG_SITE(L"CAfscPayload::InstallPayload");
    if (m_file.empty()) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Unexpected call of InstallPayload before buffer is populated");
    }
    RETURN_IF_FAILED(AddVariableHeaderToBuffer());
    RETURN_IF_FAILED(WriteAfscVariable());
    ReportDiagnostic(site, LOG_INFORMATION, L"Success:  Exiting function");
    return S_OK;
}

HRESULT CAfscPayload::AddVariableHeaderToBuffer()
{
    if (m_file.empty()) {
        return REPORT_FAILURE(L"CAfscPayload::AddVariableHeaderToBuffer", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Trying to use AFSC buffer before initialization");
    }
    m_variable = payload_format::MakeVariable(m_file);
    return S_OK;
}

HRESULT CAfscPayload::WriteAfscVariable()
{
    if (m_mode == CollectorMode::Plan) {
        PlannedVariable planned{VariableName::AfscConfigData, VendorGuid::AfscConfigData};
        const HRESULT hr = m_variables.Read(planned.name, planned.guid, planned.before, nullptr);
        if (FAILED(hr) && hr != ResultCode::E_VARIABLE_NOT_FOUND) {
            return hr;
        }
        planned.existed = SUCCEEDED(hr);
        planned.after = m_variable;
        m_planned.push_back(std::move(planned));
        return S_OK;
    }
    const HRESULT hr =
        m_variables.Write(VariableName::AfscConfigData, VendorGuid::AfscConfigData, kVariableAttributes, m_variable);
    if (FAILED(hr)) {
        // The description of the write's own failure stays for the client.
        return REPORT_FAILURE(L"CAfscPayload::WriteAfscVariable", LOG_ERROR, E_FAIL, Description::LogOnly(),
                              L"Not able to set AfscConfigData %lx", static_cast<unsigned long>(hr));
    }
    return S_OK;
}

// ---- CPayloadManager ----

HRESULT CPayloadManager::Install(const std::wstring& name)
try {
    const LogSite site = LOG_SITE(L"CPayloadManager::Install");
    if (name.empty()) {
        return ReportFailureAt(site, LOG_ERROR, E_INVALIDARG, Describe(MSG_INVALID_COMMAND_ARGUMENT),
                               L"Invalid argument");
    }
    const HRESULT found = FileExists(name);
    if (found == S_FALSE) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_PAYLOAD_SEARCH, Describe(MSG_FILE_NOT_FOUND, name.c_str()),
                               L"Payload file not found");
    }
    if (FAILED(found)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_UNEXPECTED_FAILURE),
                               L"Unknown error looking for payload file");
    }
    std::unique_ptr<CPayload> handler;
    HRESULT loaded = S_OK;
    {
        CPayloadFile file;
        const HRESULT opened = file.Open(name);
        if (FAILED(opened)) {
            // A folder of that name is found but cannot be opened as a file.
            ReportDiagnostic(site, LOG_ERROR, L"Cannot open %s: %lx", name.c_str(), static_cast<unsigned long>(opened));
            return ReportFailureAt(site, LOG_ERROR, E_UNEXPECTED, Describe(MSG_FILE_NOT_FOUND, name.c_str()),
                                   L"Unknown error opening payload file");
        }
        loaded = GetMatchingHandler(&file, handler);
    }
    if (FAILED(loaded)) {
        FirePayloadError(MSG_PAYLOAD_INSTALL_FAILED);
        return loaded;
    }
    if (loaded == S_FALSE) {
        FirePayloadError(MSG_UNKNOWN_PAYLOAD_TYPE);
        return ResultCode::E_PAYLOAD_UNKNOWN;
    }
    const HRESULT installed = handler->Install();
    handler.reset();
    if (FAILED(installed)) {
        FirePayloadError(MSG_PAYLOAD_INSTALL_FAILED);
        return installed;
    }
    if (m_mode == CollectorMode::Write) {
        // A flag that cannot be set is reported by its own event; the payload is installed.
        CBIOSModifiedFlag::SetFlag();
    }
    return loaded;
}
CATCH_RETURN()

HRESULT CPayloadManager::FileExists(const std::wstring& name)
{
    const LogSite site = LOG_SITE(L"CPayloadManager::FileExists");
    if (name.empty()) {
        return ReportFailureAt(site, LOG_ERROR, E_INVALIDARG, Describe(MSG_INVALID_COMMAND_ARGUMENT),
                               L"Invalid argument");
    }
    if (::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return S_OK;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return S_FALSE;
    }
    ReportDiagnostic(site, LOG_ERROR, L"Cannot look for %s: error %lu", name.c_str(), error);
    return E_FAIL;
}

HRESULT CPayloadManager::GetMatchingHandler(CPayloadFile* file, std::unique_ptr<CPayload>& handler)
try {
    auto candidate = std::make_unique<CAfscPayload>(m_variables, m_mode, m_planned);
    BOOL handled = FALSE;
    RETURN_IF_FAILED(candidate->LoadPayload(file, &handled));
    if (!handled) {
        ReportDiagnostic(LOG_SITE(L"CPayloadManager::GetMatchingHandler"), LOG_WARNING,
                         L"No payload type found to handle this payload file");
        return S_FALSE;
    }
    handler = std::move(candidate);
    return S_OK;
}
CATCH_RETURN()
