// What an install would do, without writing: per variable its bytes before and after the
// commit, per item its value before and after, and every event the install would fire (the
// skipped items among them). The install operation fills it in both modes; a planning
// install stops short of writing (CollectorMode::Plan), so a plan cannot promise what the
// install would not do.
#pragma once

#include "InstallEFIVar.h"

#include "frame/EventTarget.h"

#include <functional>
#include <string>
#include <vector>

struct PlannedItem {
    ULONG component = 0;      // one bit of the component mask
    std::wstring key;         // SMBIOS: the row's INI key; token: its UQI number (4 hex digits); image: the variable
    std::wstring name;        // what a user calls it
    std::wstring before;      // value text now ("" when the firmware holds none)
    std::wstring after;       // value text after the install
    std::wstring skipped;     // why nothing is written for it ("" when it is written)
};

struct PlannedEvent {
    std::wstring name;                     // "OnUqiNotOnSystem"
    std::vector<std::wstring> arguments;   // each argument as text
};

struct InstallPlan {
    std::vector<PlannedItem> items;
    std::vector<PlannedVariable> variables;
    std::vector<PlannedEvent> events;
    HRESULT result = S_OK;
    bool warned = false;   // an event would have raised the warnings result
};

// While it lives, the events of the server go into `plan`. A planning recorder keeps them
// from the client, except OnSMBIOSPrompt: a prompted string is part of what would be
// written, so the client is asked as an install would ask it; warnings are noted in the
// plan, not raised. A passing recorder (Passing::On) keeps a copy of each event and of the
// warnings and hands them on to the client as well, so that a real operation can say
// afterwards what it told the client.
class CPlanEventRecorder final : public IToolkitEventTarget {
public:
    enum class Passing { Off, On };
    explicit CPlanEventRecorder(InstallPlan& plan, Passing passing = Passing::Off);
    ~CPlanEventRecorder();
    CPlanEventRecorder(const CPlanEventRecorder&) = delete;
    CPlanEventRecorder& operator=(const CPlanEventRecorder&) = delete;

#define PLAN_EVENT_0(name) \
    HRESULT Fire_##name() override { return Pass(L## #name, {}, [&](IToolkitEventTarget& t) { return t.Fire_##name(); }); }
#define PLAN_EVENT_1(name, A) \
    HRESULT Fire_##name(A a) override \
    { \
        return Pass(L## #name, {Text(a)}, [&](IToolkitEventTarget& t) { return t.Fire_##name(a); }); \
    }
#define PLAN_EVENT_2(name, A, B) \
    HRESULT Fire_##name(A a, B b) override \
    { \
        return Pass(L## #name, {Text(a), Text(b)}, [&](IToolkitEventTarget& t) { return t.Fire_##name(a, b); }); \
    }
#define PLAN_EVENT_3(name, A, B, C) \
    HRESULT Fire_##name(A a, B b, C c) override \
    { \
        return Pass(L## #name, {Text(a), Text(b), Text(c)}, \
                    [&](IToolkitEventTarget& t) { return t.Fire_##name(a, b, c); }); \
    }
#define PLAN_EVENT_4(name, A, B, C, D) \
    HRESULT Fire_##name(A a, B b, C c, D d) override \
    { \
        return Pass(L## #name, {Text(a), Text(b), Text(c), Text(d)}, \
                    [&](IToolkitEventTarget& t) { return t.Fire_##name(a, b, c, d); }); \
    }
    PLAN_EVENT_0(OnDiagnosticsError)
    PLAN_EVENT_0(OnFlashStart)
    PLAN_EVENT_0(OnFlashSuccess)
    PLAN_EVENT_1(OnInstallStart, ULONG)
    PLAN_EVENT_1(OnInstallSuccess, ULONG)
    PLAN_EVENT_3(OnINIInvalidValue, const wchar_t*, const wchar_t*, const VARIANT&)
    PLAN_EVENT_4(OnINIInvalidValue_wVal, const wchar_t*, const wchar_t*, const VARIANT&, const wchar_t*)
    PLAN_EVENT_2(OnINIMissingValue, const wchar_t*, const wchar_t*)
    PLAN_EVENT_3(OnINIMissingValue_wVal, const wchar_t*, const wchar_t*, const wchar_t*)
    PLAN_EVENT_1(OnINIMissingSection, const wchar_t*)
    PLAN_EVENT_4(OnINITruncatedValue, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*)
    PLAN_EVENT_1(OnRemoveStart, ULONG)
    PLAN_EVENT_1(OnRemoveSuccess, ULONG)
    HRESULT Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response) override;
    PLAN_EVENT_1(OnInvalidOS, ULONG)
    PLAN_EVENT_0(OnInvalidBoard)
    PLAN_EVENT_0(OnInvalidBIOS)
    PLAN_EVENT_1(OnRemoveFail, ULONG)
    PLAN_EVENT_2(OnBIOSIDMismatch, const wchar_t*, const wchar_t*)
    PLAN_EVENT_1(OnPasswordExists, const wchar_t*)
    PLAN_EVENT_2(OnInvalidChecksum, const wchar_t*, const wchar_t*)
    PLAN_EVENT_1(OnComponentRemoved, ULONG)
    PLAN_EVENT_1(OnSMBIOSRemoved, const wchar_t*)
    PLAN_EVENT_0(OnINIMinorVer)
    PLAN_EVENT_2(OnNewerZENTVersion, const wchar_t*, const wchar_t*)
    PLAN_EVENT_1(OnPayloadError, const wchar_t*)
    PLAN_EVENT_1(OnExtractStart, ULONG)
    PLAN_EVENT_1(OnExtractFail, ULONG)
    PLAN_EVENT_1(OnExtractSuccess, ULONG)
    PLAN_EVENT_3(OnBadTokenIniValue, unsigned short*, const wchar_t*, long)
    PLAN_EVENT_2(OnTokenNotLockable, unsigned short*, const wchar_t*)
    PLAN_EVENT_2(OnTokenNotHideable, unsigned short*, const wchar_t*)
    PLAN_EVENT_2(OnTokenLockHideSameTime, unsigned short*, const wchar_t*)
    PLAN_EVENT_1(OnUqiNotOnSystem, unsigned short*)
    PLAN_EVENT_2(OnCantExtractToken, unsigned short*, const wchar_t*)
    PLAN_EVENT_0(OnBIOSModifiedFlagSetFailure)
    PLAN_EVENT_1(OnDuplicateTokenInIni, const wchar_t*)
    PLAN_EVENT_0(OnNoCoolingHardwareFound)
    PLAN_EVENT_1(OnTokenExtractInvalidValue, const wchar_t*)
    PLAN_EVENT_1(OnTokenIniVerTooEarly, const wchar_t*)
    PLAN_EVENT_1(OnDuplicateToken, const wchar_t*)
    PLAN_EVENT_1(OnInvalidUQIToken, const wchar_t*)
#undef PLAN_EVENT_0
#undef PLAN_EVENT_1
#undef PLAN_EVENT_2
#undef PLAN_EVENT_3
#undef PLAN_EVENT_4

    void RaiseWarning() override;
    void Hold() override {}
    void Unhold() override {}

private:
    static std::wstring Text(ULONG value);
    static std::wstring Text(long value);
    static std::wstring Text(const wchar_t* text);
    static std::wstring Text(unsigned short* uqi);
    static std::wstring Text(const VARIANT& value);
    HRESULT Record(const wchar_t* name, std::vector<std::wstring> arguments);
    // Records the event and, when passing, fires it at the client's target, held meanwhile.
    HRESULT Pass(const wchar_t* name, std::vector<std::wstring> arguments,
                 const std::function<HRESULT(IToolkitEventTarget&)>& fire);

    InstallPlan& m_plan;
    Passing m_passing;
    IToolkitEventTarget* m_previous;
};
