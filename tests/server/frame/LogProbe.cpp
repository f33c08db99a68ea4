// logprobe: a host program for the diagnostics-log tests. The log reads its preferences
// once per process, so each case runs in a process of its own, started in a folder that
// holds the case's "Preferences.ini". With a recorder in the toolkit's place as the target
// of events, it writes one entry per level and an overlong one, and prints how often
// OnDiagnosticsError came. With the argument "failures" it reports a failure and passes one
// on instead.
#include "frame/DiagnosticsLog.h"
#include "frame/FailureReport.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include "RecordingEventTarget.h"

#include <cstdio>
#include <string>

struct Probe {
    static HRESULT PassOn()
    {
        RETURN_IF_FAILED(E_ACCESSDENIED);
        return S_OK;
    }
    // Each entry names the line it expects to be logged under.
    static void WriteFailures()
    {
        REPORT_FAILURE(L"LogProbe::Report", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"line %d", __LINE__);
        PassOn();
    }
};

int wmain(int argc, wchar_t** argv)
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 2;
    }
    int errors = 0;
    {
        RecordingEventTarget target;
        if (argc > 1 && std::wstring(argv[1]) == L"failures") {
            Probe::WriteFailures();
        } else {
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_INFORMATION, L"information entry %d", 1);
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_WARNING, L"warning entry %s", L"two");
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_ERROR, L"error entry");
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_ERROR, L"%s", std::wstring(1500, L'x').c_str());
        }
        errors = target.Count(1);
    }
    std::printf("diagnostics errors: %d\n", errors);
    ::CoUninitialize();
    return 0;
}
