#include "CorvidLibrary.h"

#include "frame/Companions.h"
#include "frame/DiagnosticsLog.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "MessageIds.h"

namespace {

using PrepareCapsuleFunction = uint32_t(__stdcall*)(const void*, uint32_t, uint32_t*);
using InvokeCapsuleFunction = uint32_t(__stdcall*)(uint32_t);
using GetLastStatusFunction = uint32_t(__stdcall*)(uint32_t*);

constexpr wchar_t kUnknownInLibrary[] = L"An unknown error occurred in Corvid DLL";

// Exports are typed by their documented signature; FARPROC says nothing about it.
template <typename Function>
Function Bind(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

} // namespace

bool CCorvidLibrary::Load()
{
    m_module.reset(LoadCompanionLibrary(kFileName));
    return IsLoaded();
}

bool CCorvidLibrary::Unload()
{
    if (!m_module) {
        return true;
    }
    if (!::FreeLibrary(m_module.get())) {
        return false;
    }
    m_module.release();
    return true;
}

FARPROC CCorvidLibrary::Find(const char* exportName) const
{
    return m_module ? ::GetProcAddress(m_module.get(), exportName) : nullptr;
}

std::optional<uint32_t> CCorvidLibrary::PrepareCapsule(const void* capsule, uint32_t size) const
{
    auto function = Bind<PrepareCapsuleFunction>(Find("PrepareCapsule"));
    if (!function) {
        return std::nullopt;
    }
    uint32_t reserved = 0;
    return function(capsule, size, &reserved);
}

std::optional<uint32_t> CCorvidLibrary::InvokeCapsule() const
{
    auto function = Bind<InvokeCapsuleFunction>(Find("InvokeCapsule"));
    if (!function) {
        return std::nullopt;
    }
    return function(0);
}

std::optional<uint32_t> CCorvidLibrary::GetLastStatus(uint32_t* status) const
{
    auto function = Bind<GetLastStatusFunction>(Find("GetLastStatus"));
    if (!function) {
        return std::nullopt;
    }
    return function(status);
}

CorvidStatusMeaning CCorvidLibrary::Interpret(uint32_t status)
{
    switch (status) {
    case 0:
        return {S_OK, LOG_INFORMATION, L"Corvid Operation successful", nullptr, 0};
    case 1:
        return {E_FAIL, LOG_ERROR, L"Corvid Operation returned an unknown error", nullptr, MSG_UNKNOWN_ERROR};
    case 2:
        return {ResultCode::E_EFIVAR_DRIVER, LOG_ERROR, L"Corvid.sys driver not installed", nullptr, MSG_DRIVER_NOT_LOADED};
    case 3:
        return {E_INVALIDARG, LOG_ERROR, L"Corvid DLL received an invalid parameter", nullptr, MSG_UNEXPECTED_FAILURE};
    case 6:
        return {E_OUTOFMEMORY, LOG_ERROR, L"There is not enough storage to hold the variable and its data", nullptr,
                MSG_OUT_OF_MEMORY};
    case 8:
        return {ResultCode::E_EFIVAR_UNSUPPORTED_OS, LOG_ERROR, L"Corvid DLL is not supported in this OS", nullptr,
                MSG_UNEXPECTED_FAILURE};
    case 9:
        return {ResultCode::E_EFIVAR_DRIVER, LOG_ERROR, L"The Corvid.sys device driver failed to load", nullptr,
                MSG_DRIVER_NOT_LOADED};
    case 10:
        return {ResultCode::S_EFIVAR_DRIVER_NOT_UNINSTALLED, LOG_WARNING, L"The Corvid.sys driver failed to uninstall",
                nullptr, 0};
    case 11:
        return {ResultCode::E_EFIVAR_DRIVER, LOG_ERROR, L"Corvid DLL not able to communicate with Corvid.sys driver",
                nullptr, MSG_DRIVER_COMMUNICATION};
    case 14:
        return {E_FAIL, LOG_ERROR, L"Corvid DLL was not found", kUnknownInLibrary, MSG_UNKNOWN_ERROR};
    default:
        return {E_FAIL, LOG_ERROR, kUnknownInLibrary, nullptr, MSG_UNKNOWN_ERROR};
    }
}

HRESULT CCorvidLibrary::ReportStatus(const LogSite& site, const IID& iid, uint32_t status)
{
    const CorvidStatusMeaning meaning = Interpret(status);
    if (meaning.messageId == 0) {
        ReportDiagnostic(site, meaning.level, L"%s", meaning.report);
        return meaning.result;
    }
    if (meaning.extraReport) {
        ReportDiagnostic(site, meaning.level, L"%s", meaning.report);
    }
    return ReportFailureAt(site, meaning.level, meaning.result, Describe(iid, meaning.messageId), L"%s",
                           meaning.extraReport ? meaning.extraReport : meaning.report);
}
