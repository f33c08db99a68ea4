// One run of a pellam command: COM entered, the toolkit created by its ProgID with pellam's
// sink on its connection point, every call's result kept, and at the end one summary line
// or one JSON document, and the exit code.
#pragma once

#include "EventSink.h"

#include "Arguments.h"

#include <ServerLib.h>

#include <string>
#include <vector>

// The options every command takes.
struct RunOptions {
    bool json = false;
    bool quiet = false;
    bool warningsAsErrors = false;
    std::vector<PromptAnswer> answers;
};

class PellamRun {
public:
    PellamRun(std::wstring operation, RunOptions options);
    ~PellamRun();
    PellamRun(const PellamRun&) = delete;
    PellamRun& operator=(const PellamRun&) = delete;

    // Enters COM and creates the toolkit; false (the failure kept) when it cannot be had.
    bool Open();
    IToolkit* Toolkit() const { return m_toolkit.Get(); }
    const PellamEventSink& Events() const { return *m_sink.Get(); }
    // Events that the command brings about on purpose, left out of the output (see
    // PellamEventSink::expected); an empty function ends that.
    void ExpectEvents(std::function<bool(const RecordedToolkitEvent&)> expected) { m_sink->expected = std::move(expected); }

    // Keeps a call's result: a failure ends the operation with its code and message.
    bool Check(HRESULT hr, const std::wstring& what);
    // After a failed Install or Remove: what the firmware answered to the write it refused,
    // added to the failure's message when the toolkit knows it.
    void ExplainRefusedWrite();
    // The toolkit's install plan (docs/install-plan.md) for the loaded configuration.
    bool Plan(ULONG mask, std::wstring& plan);

    // A line while the operation runs (not with --quiet or --json).
    void Say(const std::wstring& line) const;
    // A warning of pellam's own (not a toolkit event): shown as "warning: TEXT", in the
    // document's warnings, and counted by --warnings-as-errors.
    void Warn(const std::wstring& text);
    // A member of the JSON document, its value written as JSON.
    void AddData(const std::wstring& name, const std::wstring& json);
    // Ends the operation: prints the summary (or the document) and returns the exit code:
    // `success` unless a call failed or, with --warnings-as-errors, an event warned.
    int Finish(int success, const std::wstring& summary);
    // Ends it as failed with a message of pellam's own.
    int Fail(const std::wstring& message, int exitCode);

    bool Quiet() const { return m_options.quiet || m_options.json; }

private:
    std::wstring Document(int exitCode, const std::wstring& summary) const;

    std::wstring m_operation;
    RunOptions m_options;
    bool m_comEntered = false;
    ComPtr<IToolkit> m_toolkit;
    ComPtr<PellamEventSink> m_sink;
    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    HRESULT m_result = S_OK;
    std::wstring m_message;
    std::vector<std::pair<std::wstring, std::wstring>> m_data;
    std::vector<std::wstring> m_warnings;
};

// The HRESULT as eight hexadecimal digits with 0x, and its name ("E_NO_CONFIGURATION").
std::wstring ResultText(HRESULT hr);
std::wstring ResultName(HRESULT hr);
