// logprobe: a host program for the diagnostics-log tests. The log reads its preferences
// once per process, so each case runs in a process of its own, started in a folder that
// holds the case's "Preferences.ini". It creates the toolkit with a sink connected, writes
// one entry per level and an overlong one, and prints how often OnDiagnosticsError came.
// With the argument "failures" it reports a failure and passes one on instead.
#include "frame/DiagnosticsLog.h"
#include "frame/FailureReport.h"
#include "toolkit/Toolkit.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include "TestSupport.h"

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
        // The toolkit makes the program's folder current; the case's folder is wanted here.
        wchar_t caseFolder[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, caseFolder);
        ComPtr<IUnknown> classObject;
        ComPtr<IClassFactory> factory;
        ComPtr<IConnectionPointContainer> toolkit;
        if (FAILED(CreateToolkitClassObject(&classObject)) || FAILED(classObject.As(&factory))
            || FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&toolkit)))) {
            return 3;
        }
        ::SetCurrentDirectoryW(caseFolder);
        ComPtr<IConnectionPoint> point;
        ComPtr<RecordingSink> sink;
        DWORD cookie = 0;
        if (FAILED(toolkit->FindConnectionPoint(DIID__IToolkitEvents, &point)) || FAILED(RecordingSink::Make(sink))
            || FAILED(point->Advise(sink.Get(), &cookie))) {
            return 4;
        }
        if (argc > 1 && std::wstring(argv[1]) == L"failures") {
            Probe::WriteFailures();
        } else {
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_INFORMATION, L"information entry %d", 1);
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_WARNING, L"warning entry %s", L"two");
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_ERROR, L"error entry");
            ReportDiagnostic(LOG_SITE(L"LogProbe::Main"), LOG_ERROR, L"%s", std::wstring(1500, L'x').c_str());
        }
        for (const RecordedEvent& event : sink->events) {
            errors += event.id == 1 ? 1 : 0;
        }
        point->Unadvise(cookie);
    }
    std::printf("diagnostics errors: %d\n", errors);
    ::CoUninitialize();
    return 0;
}
