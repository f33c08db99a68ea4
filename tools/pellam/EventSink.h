// pellam's sink on the toolkit's connection point: every event becomes a readable line while
// the operation runs (warnings marked) and is kept for the summary and the JSON document.
// An SMBIOS string that the INI file asks for is answered from the --answer options.
#pragma once

#include "ComObject.h"

#include <ServerLib.h>

#include <functional>
#include <string>
#include <vector>

struct PromptAnswer {
    std::wstring key;  // a part of the prompt's text, any case; "*" for every prompt
    std::wstring text;
};

struct RecordedToolkitEvent {
    std::wstring name;
    std::vector<std::wstring> arguments;
    bool warning = false;
    std::wstring line; // as printed
};

class PellamEventSink final : public ComObject<PellamEventSink, IDispatch> {
public:
    static constexpr bool kAggregatable = false;

    // Takes the events' names from the toolkit's type library.
    void Configure(IToolkit* toolkit, bool printLines, std::vector<PromptAnswer> answers);

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override;

    std::vector<RecordedToolkitEvent> events;
    // Events the client brought about on purpose (a keyword it left out of a file it wrote
    // itself): when it answers true the event is neither printed nor kept.
    std::function<bool(const RecordedToolkitEvent&)> expected;
    // Prompts that no --answer matched.
    std::vector<std::wstring> unanswered;

    size_t Count(const wchar_t* name) const;
    size_t WarningCount() const;

private:
    std::wstring EventName(DISPID id) const;
    void Answer(const std::wstring& prompt, DISPPARAMS* parameters);

    ComPtr<ITypeInfo> m_events;
    bool m_printLines = true;
    std::vector<PromptAnswer> m_answers;
};

// A component bit as the name the command line uses ("tokens").
std::wstring ComponentName(unsigned long bit);
