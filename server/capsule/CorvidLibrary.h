// The capsule-update library "EfiCorvid.dll", loaded from the server's folder or else by bare
// name, so that the normal library search applies (the host program's folder, the current
// folder, PATH). Its exports are
// looked up at each call, as a replaced library would be; a missing export answers nothing.
#pragma once

#include "Owners.h"
#include "frame/DiagnosticsLog.h"

#include <windows.h>

#include <cstdint>
#include <optional>

// What one status of the library means to the server.
struct CorvidStatusMeaning {
    HRESULT result;
    int level;                // of the report
    const wchar_t* report;
    const wchar_t* extraReport; // a second report, or null
    UINT messageId;           // description, or 0 for none
};

class CCorvidLibrary {
public:
    static constexpr const wchar_t* kFileName = L"EfiCorvid.dll";

    bool Load();
    // False when the library was loaded and could not be unloaded (it is then kept).
    bool Unload();
    bool IsLoaded() const { return static_cast<bool>(m_module); }
    bool HasExport(const char* exportName) const { return Find(exportName) != nullptr; }

    // The status of the export, or none when the library or the export is missing.
    std::optional<uint32_t> PrepareCapsule(const void* capsule, uint32_t size) const;
    std::optional<uint32_t> InvokeCapsule() const;
    std::optional<uint32_t> GetLastStatus(uint32_t* status) const;

    // The library's statuses turned into results, reports and descriptions. Every
    // non-negative result counts as success for the callers.
    static CorvidStatusMeaning Interpret(uint32_t status);
    // Reports `status` as Interpret says, under the caller's `site`, with `iid` as the failing
    // interface; returns its result.
    static HRESULT ReportStatus(const LogSite& site, const IID& iid, uint32_t status);

private:
    FARPROC Find(const char* exportName) const;

    UniqueModule m_module;
};
