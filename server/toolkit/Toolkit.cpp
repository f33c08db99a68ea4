#include "Toolkit.h"

#include "ChangeHistory.h"
#include "InstallPlanJson.h"

#include "frame/FailureReport.h"
#include "MessageIds.h"
#include "system/BIOSModifiedFlag.h"
#include "system/ConfigurationPoint.h"
#include "system/ProcessState.h"
#include "system/RemoveOperation.h"
#include "system/SystemCapabilities.h"
#include "system/SystemValidator.h"

#include "capsule/BiosCapsule.h"

#include "Enumerator.h"
#include "ErrorMacros.h"
#include "frame/ErrorInfoManager.h"
#include "frame/ResultCodes.h"
#include "frame/ResultNames.h"
#include "history/HistoryStamp.h"

#include <memory>

CToolkit* CToolkit::s_pInstance = nullptr;

namespace {

constexpr short kVersionMajor = 1;
constexpr short kVersionMinor = 4;
constexpr short kVersionPatch = 1;
constexpr short kVersionBuild = 130;
constexpr wchar_t kVersionText[] = L"1, 4, 1, 130";

// A missing out-pointer; `description` says whether the interface is named too.
HRESULT InvalidPointer(const LogSite& site, const Description& description = Describe(MSG_INTERNAL_ERROR))
{
    return ReportFailureAt(site, LOG_ERROR, E_POINTER, description, L"Invalid pointer");
}

HRESULT GetShort(short value, short* out, const LogSite& site)
{
    if (!out) {
        return InvalidPointer(site);
    }
    *out = value;
    return S_OK;
}

} // namespace

CToolkit::CToolkit() : m_eventsPoint(this, DIID__IToolkitEvents) {}

CToolkit::~CToolkit()
{
    if (s_pInstance == this) {
        s_pInstance = nullptr;
    }
    if (ToolkitEvents::Target() == this) {
        ToolkitEvents::SetTarget(nullptr);
    }
    if (m_pVariables && CFirmwareAccess::Current() == m_pVariables.get()) {
        CFirmwareAccess::SetCurrent(nullptr);
    }
}

HRESULT CToolkit::FinalConstruct()
{
    s_pInstance = this;
    ToolkitEvents::SetTarget(this);
    return SetWorkingDirectory();
}

void* CToolkit::QueryExtraInterface(REFIID iid)
{
    if (iid == IID_IProvideClassInfo) {
        return static_cast<IProvideClassInfo*>(this);
    }
    if (iid == IID_IToolkitInternal) {
        return static_cast<IToolkitInternal*>(&m_internal);
    }
    return nullptr;
}

HRESULT CToolkit::TakeWarnings(HRESULT success)
{
    if (success == S_OK && m_bWarning) {
        m_bWarning = false;
        return ResultCode::S_WARNINGS;
    }
    return success;
}

HRESULT CToolkit::NotSupported(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, E_NOTIMPL, Describe(IID_IToolkit, MSG_NOT_SUPPORTED_IN_VERSION),
                           L"Failure:  Exiting function (0x%08lX, message %u)", static_cast<unsigned long>(E_NOTIMPL),
                           static_cast<unsigned>(MSG_NOT_SUPPORTED_IN_VERSION));
}

// Operations whose configuration subsystems are not part of this build yet.

IFACEMETHODIMP CToolkit::Reboot() { return NotSupported(LOG_SITE(L"CToolkit::Reboot")); }
IFACEMETHODIMP CToolkit::Report(BSTR) { return NotSupported(LOG_SITE(L"CToolkit::Report")); }
IFACEMETHODIMP CToolkit::Verify(ULONG) { return NotSupported(LOG_SITE(L"CToolkit::Verify")); }

HRESULT CToolkit::NoConfiguration(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, ResultCode::E_NO_CONFIGURATION, Describe(IID_IToolkit, MSG_NO_CONFIGURATION),
                           L"No configuration has been loaded");
}

HRESULT CToolkit::RequireCompleteConfiguration(const LogSite& site)
{
    if (!m_pSystem) {
        return NoConfiguration(site);
    }
    // A failed build leaves what it read loaded, for the client to look at. Written, it would
    // replace a whole file (its other token sections, its version) with that part; installed,
    // it would put part of a configuration into the firmware.
    if (!m_pSystem->IsComplete()) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_NO_CONFIGURATION,
                               Describe(IID_IToolkit, MSG_CONFIGURATION_INCOMPLETE),
                               L"The loaded configuration was not built completely; it is neither written nor installed");
    }
    return S_OK;
}

HRESULT CToolkit::AlreadyLoaded(const LogSite& site)
{
    return ReportFailureAt(site, LOG_ERROR, ResultCode::E_ALREADY_LOADED,
                           Describe(IID_IToolkit, MSG_CONFIGURATION_ALREADY_LOADED),
                           L"A configuration has already been loaded");
}

IFirmwareVariables& CToolkit::Variables()
{
    if (!m_pVariables) {
        m_pVariables = std::make_unique<CLibraryVariables>();
        // Unless a test or benchmark has put a board of its own in place.
        if (!CFirmwareAccess::Current()) {
            CFirmwareAccess::SetCurrent(m_pVariables.get());
        }
    }
    return *CFirmwareAccess::Current();
}

void CToolkit::AppendToHistory(history::Record record, HRESULT result, const LogSite& site)
try {
    if (!m_strHistoryOperation.empty()) {
        record.operation = history::Utf8(m_strHistoryOperation);
        m_strHistoryOperation.clear();
    }
    record.result = static_cast<uint32_t>(result);
    record.resultName = history::Utf8(ResultCodeName(result));
    const HRESULT hr = history::AppendStamped(std::move(record));
    if (FAILED(hr)) {
        ReportDiagnostic(site, LOG_WARNING, L"The change was not written to the history of changes (0x%08lX)",
                         static_cast<unsigned long>(hr));
    }
}
catch (...) {
    ReportDiagnostic(site, LOG_WARNING, L"The change was not written to the history of changes (out of memory)");
}

void CToolkit::NoteLoadedFile(const std::wstring& path)
{
    m_strLoadedFile = history::FullPath(path);
    m_strLoadedSha256.clear();
    if (FAILED(history::FileSha256(m_strLoadedFile, m_strLoadedSha256))) {
        ReportDiagnostic(LOG_SITE(L"CToolkit::NoteLoadedFile"), LOG_WARNING,
                         L"The digest of %ls could not be had for the history of changes", m_strLoadedFile.c_str());
    }
}

// The install keeps what it did (its plan, filled as it writes) and the events it fired on
// their way to the client, for the history. An install refused before it reached the
// firmware leaves no record.
IFACEMETHODIMP CToolkit::Install(ULONG qrvComponentMask)
try {
    const LogSite site = LOG_SITE(L"CToolkit::Install");
    if (const HRESULT hr = RequireCompleteConfiguration(site); FAILED(hr)) {
        return hr;
    }
    InstallPlan done;
    HRESULT hr = S_OK;
    ForgetRefusedWrite();
    {
        CPlanEventRecorder recorder(done, CPlanEventRecorder::Passing::On);
        hr = m_pSystem->Install(CComponentMask(qrvComponentMask), Variables(), CollectorMode::Write, &done);
    }
    if (SUCCEEDED(hr) && hr != ResultCode::S_PAYLOAD_ALREADY_PRESENT) {
        hr = TakeWarnings();
    }
    if (change_history::ReachedFirmware(done.events)) {
        history::Record record = change_history::InstallRecord(qrvComponentMask, done);
        record.file = history::Utf8(m_strLoadedFile);
        record.sha256 = m_strLoadedSha256;
        KeepRefusedWrite(hr, record);
        AppendToHistory(std::move(record), hr, site);
    }
    return hr;
}
CATCH_RETURN()
// The install's own code up to the commit, with the client's events kept in the plan (a
// prompted SMBIOS string is still asked for: it is part of what would be written).
HRESULT CToolkit::PlanInstall(ULONG qrvComponentMask, BSTR* plan)
try {
    const LogSite site = LOG_SITE(L"CToolkit::PlanInstall");
    if (!plan) {
        return InvalidPointer(site, Describe(IID_IToolkit, MSG_INTERNAL_ERROR));
    }
    *plan = nullptr;
    if (const HRESULT hr = RequireCompleteConfiguration(site); FAILED(hr)) {
        return hr;
    }
    InstallPlan planned;
    HRESULT hr = S_OK;
    {
        CPlanEventRecorder recorder(planned);
        hr = m_pSystem->Install(CComponentMask(qrvComponentMask), Variables(), CollectorMode::Plan, &planned);
    }
    if (hr == S_OK && planned.warned) {
        hr = ResultCode::S_WARNINGS;
    }
    planned.result = hr;
    UniqueBstr text = UniqueBstr::From(InstallPlanJson(planned).c_str());
    RETURN_IF_NULL_ALLOC(text.get());
    *plan = text.release();
    return hr;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::LoadConfigFromSystem(ULONG qrvComponentMask)
try {
    if (m_pSystem) {
        return AlreadyLoaded(LOG_SITE(L"CToolkit::LoadConfigFromSystem"));
    }
    Variables();
    const HRESULT hr = CSystem::CreateSystemFromRefSystem(CComponentMask(qrvComponentMask), m_pSystem);
    m_strLoadedFile.clear();
    m_strLoadedSha256.clear();
    if (hr == ResultCode::S_NOTHING_TO_DO) {
        return hr;
    }
    if (FAILED(hr)) {
        CErrorInfoManager::SetGUID(IID_IToolkit);
        return E_FAIL;
    }
    // Warnings met while reading the system are reported by the next call that reports them.
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::LoadINIFile(BSTR bstrINIFileName, ULONG qrvComponentMask)
try {
    if (m_pSystem) {
        return AlreadyLoaded(LOG_SITE(L"CToolkit::LoadINIFile"));
    }
    Variables();
    const std::wstring path(bstrINIFileName ? bstrINIFileName : L"", ::SysStringLen(bstrINIFileName));
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return REPORT_FAILURE(L"CToolkit::LoadINIFile", LOG_ERROR, ResultCode::E_INVALID_FILE_NAME,
                              Describe(IID_IToolkit, MSG_INVALID_INI_FILE_NAME), L"Unable to find file: %ls",
                              path.c_str());
    }
    // Hashed now: the file may change between the load and the install.
    NoteLoadedFile(path);
    const HRESULT hr = CSystem::CreateSystemFromFile(path, CComponentMask(qrvComponentMask), m_pSystem);
    if (hr == ResultCode::S_NOTHING_TO_DO) {
        return hr;
    }
    if (FAILED(hr)) {
        CErrorInfoManager::SetGUID(IID_IToolkit);
        return E_FAIL;
    }
    return TakeWarnings();
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::CreateEmptyConfiguration()
try {
    if (m_pSystem) {
        return AlreadyLoaded(LOG_SITE(L"CToolkit::CreateEmptyConfiguration"));
    }
    m_strLoadedFile.clear();
    m_strLoadedSha256.clear();
    if (FAILED(CSystem::CreateEmpty(m_pSystem))) {
        CErrorInfoManager::SetGUID(IID_IToolkit);
        return E_FAIL;
    }
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::Remove(ULONG qrvComponentMask)
try {
    const LogSite site = LOG_SITE(L"CToolkit::Remove");
    Variables();
    CRemoveOperation operation;
    InstallPlan events;
    HRESULT hr = S_OK;
    ForgetRefusedWrite();
    {
        CPlanEventRecorder recorder(events, CPlanEventRecorder::Passing::On);
        hr = operation.Remove(qrvComponentMask);
    }
    const HRESULT result = hr == ResultCode::S_NOTHING_TO_DO || FAILED(hr) ? hr : TakeWarnings();
    if (change_history::ReachedFirmware(events.events)) {
        history::Record record = change_history::RemoveRecord(qrvComponentMask, events.events);
        KeepRefusedWrite(result, record);
        AppendToHistory(std::move(record), result, site);
    }
    if (hr == ResultCode::S_NOTHING_TO_DO) {
        return hr;
    }
    if (FAILED(hr)) {
        // The firmware-variable library reports through its status, not through the
        // thread's last error, which here would name some earlier call: it is not logged.
        // What the user needs is the state the failure left.
        const std::wstring changed = VariableList(operation.Changed());
        const std::wstring left = VariableList(operation.LeftAsTheyWere());
        return ReportFailureAt(site, LOG_ERROR, hr,
                               operation.LeftAsTheyWere().empty()
                                   ? Describe(IID_IToolkit, MSG_REMOVE_FAILED)
                                   : Describe(IID_IToolkit, MSG_REMOVE_INCOMPLETE, changed.c_str(), left.c_str()),
                               L"Failed execution of remove. HR = %X. Error Description: Variables changed: %s; "
                               L"variables left as they were: %s",
                               static_cast<unsigned>(hr), changed.c_str(), left.c_str());
    }
    return result;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::ValidateSystem()
try {
    Variables();
    const HRESULT hr = CSystemValidator().ValidateSystem();
    if (FAILED(hr)) {
        CErrorInfoManager::SetGUID(IID_IToolkit);
    }
    return hr;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::WriteINIFile(BSTR bstrINIFileName, ULONG qrvComponentMask)
try {
    if (const HRESULT hr = RequireCompleteConfiguration(LOG_SITE(L"CToolkit::WriteINIFile")); FAILED(hr)) {
        return hr;
    }
    const std::wstring path(bstrINIFileName ? bstrINIFileName : L"", ::SysStringLen(bstrINIFileName));
    const HRESULT hr = m_pSystem->WriteINIFile(path, CComponentMask(qrvComponentMask));
    return FAILED(hr) ? hr : TakeWarnings();
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::AddPayload(BSTR bstrPayloadFileName)
try {
    if (!bstrPayloadFileName) {
        return REPORT_FAILURE(L"CToolkit::AddPayload", LOG_ERROR, E_POINTER, Describe(IID_IToolkit, MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    if (!m_pSystem) {
        return NoConfiguration(LOG_SITE(L"CToolkit::AddPayload"));
    }
    const bool replaced = !m_pSystem->PayloadFileName().empty();
    m_pSystem->SetPayloadFileName(std::wstring(bstrPayloadFileName, ::SysStringLen(bstrPayloadFileName)));
    return replaced ? ResultCode::S_PAYLOAD_REPLACED : S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::get_BiosCapsule(IBiosCapsule** capsule)
{
    if (!capsule) {
        return InvalidPointer(LOG_SITE(L"CToolkit::get_BiosCapsule"), Describe(IID_IToolkit, MSG_INTERNAL_ERROR));
    }
    *capsule = nullptr;
    if (!m_pBiosCapsule) {
        const HRESULT hr = CBiosCapsule::CreateObject(nullptr, IID_PPV_ARGS(&m_pBiosCapsule));
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CToolkit::get_BiosCapsule", LOG_ERROR, E_FAIL,
                                  Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE), L"Failed to create IBiosCapsule pointer");
        }
    }
    return m_pBiosCapsule.CopyTo(capsule);
}

HRESULT CToolkit::FlashBIOS(BSTR bstrBiosFileName, BSTR bstrSplashFileName, short badge)
try {
    if (!bstrBiosFileName || !bstrSplashFileName) {
        return REPORT_FAILURE(L"CToolkit::FlashBIOS", LOG_ERROR, E_INVALIDARG,
                              Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE), L"Invalid pointer");
    }
    Variables();
    Fire_OnFlashStart();
    SFlashOptions options;
    options.bioFile.assign(bstrBiosFileName, ::SysStringLen(bstrBiosFileName));
    options.splashFile.assign(bstrSplashFileName, ::SysStringLen(bstrSplashFileName));
    options.badge = badge != 0;
    const HRESULT hr = CSystem::FlashBIOS(options);
    if (FAILED(hr)) {
        return hr;
    }
    Fire_OnFlashSuccess();
    return TakeWarnings();
}
CATCH_RETURN()

HRESULT CToolkit::IsBIOSModified(VARIANT_BOOL* set)
try {
    if (!set) {
        return InvalidPointer(LOG_SITE(L"CToolkit::IsBIOSModified"), Describe(IID_IToolkit, MSG_INTERNAL_ERROR));
    }
    *set = VARIANT_FALSE;
    bool modified = false;
    if (FAILED(CBIOSModifiedFlag::IsSet(Variables(), modified))) {
        CErrorInfoManager::SetGUID(IID_IToolkit);
        return E_FAIL;
    }
    *set = modified ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
CATCH_RETURN()

void CToolkit::ForgetRefusedWrite()
{
    ProcessState::Instance().refusedWrite.clear();
    m_strRefusedWrite.clear();
}

void CToolkit::KeepRefusedWrite(HRESULT result, history::Record& record)
{
    if (FAILED(result)) {
        m_strRefusedWrite = ProcessState::Instance().refusedWrite;
    }
    if (!m_strRefusedWrite.empty()) {
        record.warnings.push_back(history::Utf8(m_strRefusedWrite));
    }
}

HRESULT CToolkit::GetRefusedWrite(BSTR* text)
{
    if (!text) {
        return E_POINTER;
    }
    *text = ::SysAllocString(m_strRefusedWrite.c_str());
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CToolkit::SetHistoryOperation(BSTR name)
try {
    m_strHistoryOperation.assign(name ? name : L"", ::SysStringLen(name));
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::GetConfigGroup(EConfigGroupID eGroupID, IConfigGroup** group)
try {
    if (!group) {
        return InvalidPointer(LOG_SITE(L"CToolkit::GetConfigGroup"), Describe(IID_IToolkit, MSG_INTERNAL_ERROR));
    }
    *group = nullptr;
    if (!m_pSystem) {
        return NoConfiguration(LOG_SITE(L"CToolkit::GetConfigGroup"));
    }
    const HRESULT hr = m_pSystem->GetConfigGroup(eGroupID, group);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CToolkit::GetConfigGroup"), LOG_ERROR, L"Failure in FindGroupByID");
        return REPORT_FAILURE(L"CToolkit::GetConfigGroup", LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_INTERNAL_ERROR),
                              L"Failed to retrieve Config Group");
    }
    return hr;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::GetTokenSetting(unsigned short* pnUQI, ITokenConfigData** setting)
try {
    if (!setting || !pnUQI) {
        return InvalidPointer(LOG_SITE(L"CToolkit::GetTokenSetting"), Describe(IID_IToolkit, MSG_INTERNAL_ERROR));
    }
    *setting = nullptr;
    if (!m_pSystem) {
        return NoConfiguration(LOG_SITE(L"CToolkit::GetTokenSetting"));
    }
    const HRESULT hr = m_pSystem->GetTokenSetting(pnUQI, setting);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CToolkit::GetTokenSetting"), LOG_ERROR, L"Failure in FindGroupByToken");
        return REPORT_FAILURE(L"CToolkit::GetTokenSetting", LOG_ERROR, E_FAIL,
                              Describe(IID_IToolkit, MSG_INTERNAL_ERROR), L"Failed to retrieve Token Setting");
    }
    return hr;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::get_SystemCapabilities(ISystemCapabilities** capabilities)
{
    if (!capabilities) {
        return InvalidPointer(LOG_SITE(L"CToolkit::get_SystemCapabilities"), Describe(IID_IToolkit, MSG_INTERNAL_ERROR));
    }
    Variables();
    *capabilities = nullptr;
    if (!m_pSystemCapabilities) {
        ComPtr<CSystemCapabilities> created;
        if (FAILED(CSystemCapabilities::Make(created))) {
            return REPORT_FAILURE(L"CToolkit::get_SystemCapabilities", LOG_ERROR, E_FAIL,
                                  Describe(IID_IToolkit, MSG_UNEXPECTED_FAILURE),
                                  L"Failed to create ISystemCapabilities pointer");
        }
        m_pSystemCapabilities = created;
    }
    return m_pSystemCapabilities.CopyTo(capabilities);
}
IFACEMETHODIMP CToolkit::SetCPTokInfo(ULONG dwUqi, unsigned short* wpValue, unsigned short MaxEntries)
try {
    if (!wpValue && MaxEntries != 0) {
        return REPORT_FAILURE(L"CToolkit::SetCPTokInfo", LOG_ERROR, E_POINTER, Describe(IID_IToolkit, MSG_INTERNAL_ERROR),
                              L"Invalid pointer");
    }
    ConfigurationPoint::Set(dwUqi, wpValue, MaxEntries);
    return S_OK;
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::Reset()
{
    m_bWarning = false;
    UnloadMessageLibrary();
    m_pSystem.reset();
    m_strLoadedFile.clear();
    m_strLoadedSha256.clear();
    m_strHistoryOperation.clear();
    ConfigurationPoint::Clear();
    m_pBiosCapsule.Reset();
    if (FAILED(SetWorkingDirectory())) {
        return REPORT_FAILURE(L"CToolkit::Reset", LOG_ERROR, E_FAIL, Describe(IID_IToolkit, MSG_INTERNAL_ERROR),
                              L"Failed to reset working directory");
    }
    return S_OK;
}

IFACEMETHODIMP CToolkit::get_Version(BSTR* version)
{
    if (!version) {
        return InvalidPointer(LOG_SITE(L"CToolkit::get_Version"));
    }
    *version = ::SysAllocString(kVersionText);
    return *version ? S_OK : E_OUTOFMEMORY;
}
IFACEMETHODIMP CToolkit::get_VersionBuild(short* build) { return GetShort(kVersionBuild, build, LOG_SITE(L"CToolkit::get_VersionBuild")); }
IFACEMETHODIMP CToolkit::get_VersionMajor(short* major) { return GetShort(kVersionMajor, major, LOG_SITE(L"CToolkit::get_VersionMajor")); }
IFACEMETHODIMP CToolkit::get_VersionMinor(short* minor) { return GetShort(kVersionMinor, minor, LOG_SITE(L"CToolkit::get_VersionMinor")); }
IFACEMETHODIMP CToolkit::get_VersionPatch(short* patch) { return GetShort(kVersionPatch, patch, LOG_SITE(L"CToolkit::get_VersionPatch")); }

IFACEMETHODIMP CToolkit::EnumConnectionPoints(IEnumConnectionPoints** enumerator)
try {
    if (!enumerator) {
        return E_POINTER;
    }
    *enumerator = nullptr;
    using Enum = SnapshotEnumerator<IEnumConnectionPoints, ConnectionPointElement>;
    auto points = std::make_shared<Enum::Elements>();
    points->emplace_back(&m_eventsPoint);
    return Enum::CreateObject(nullptr, IID_IEnumConnectionPoints, reinterpret_cast<void**>(enumerator),
                                std::shared_ptr<const Enum::Elements>(std::move(points)));
}
CATCH_RETURN()

IFACEMETHODIMP CToolkit::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point) {
        return E_POINTER;
    }
    *point = nullptr;
    if (iid != DIID__IToolkitEvents) {
        return CONNECT_E_NOCONNECTION;
    }
    *point = &m_eventsPoint;
    m_eventsPoint.AddRef();
    return S_OK;
}

IFACEMETHODIMP CToolkit::GetClassInfo(ITypeInfo** typeInfo)
{
    return TypeLibrary::GetTypeInfo(LIBID_ServerLib, 1, 0, reinterpret_cast<const void*>(&TypeLibrary::Load),
                                    CLSID_Toolkit, typeInfo);
}

IFACEMETHODIMP CToolkit::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid) {
        return E_POINTER;
    }
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID__IToolkitEvents;
    return S_OK;
}
