// A stand-in for the toolkit as the target of the server's events (frame/EventTarget.h):
// while it lives, subsystems that fire events or raise the warning flag reach it instead of
// a toolkit, so a test needs no toolkit, connection point or sink to see them. Each event is
// recorded with its DISPID in _IToolkitEvents and its name, and answers S_OK.
#pragma once

#include "frame/EventTarget.h"

#include <string>
#include <vector>

class RecordingEventTarget final : public IToolkitEventTarget {
public:
    struct Event {
        DISPID id;
        std::wstring name;
    };

    RecordingEventTarget() : m_previous(ToolkitEvents::SetTarget(this)) {}
    ~RecordingEventTarget() { ToolkitEvents::SetTarget(m_previous); }
    RecordingEventTarget(const RecordingEventTarget&) = delete;
    RecordingEventTarget& operator=(const RecordingEventTarget&) = delete;

    int Count(DISPID id) const
    {
        int count = 0;
        for (const Event& event : events) {
            count += event.id == id ? 1 : 0;
        }
        return count;
    }

    std::vector<Event> events;
    int warnings = 0;
    int holds = 0; // Hold calls not yet matched by Unhold

// One line per event: its DISPID and its name; the arguments are not kept.
#define RECORD_EVENT(id, name, ...)                                                                                   \
    HRESULT Fire_##name(__VA_ARGS__) override { return Record(id, L## #name); }

    RECORD_EVENT(1, OnDiagnosticsError)
    RECORD_EVENT(2, OnFlashStart)
    RECORD_EVENT(3, OnFlashSuccess)
    RECORD_EVENT(4, OnInstallStart, ULONG)
    RECORD_EVENT(5, OnInstallSuccess, ULONG)
    RECORD_EVENT(6, OnINIInvalidValue, const wchar_t*, const wchar_t*, const VARIANT&)
    RECORD_EVENT(7, OnINIInvalidValue_wVal, const wchar_t*, const wchar_t*, const VARIANT&, const wchar_t*)
    RECORD_EVENT(8, OnINIMissingValue, const wchar_t*, const wchar_t*)
    RECORD_EVENT(9, OnINIMissingValue_wVal, const wchar_t*, const wchar_t*, const wchar_t*)
    RECORD_EVENT(10, OnINIMissingSection, const wchar_t*)
    RECORD_EVENT(11, OnINITruncatedValue, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*)
    RECORD_EVENT(12, OnRemoveStart, ULONG)
    RECORD_EVENT(13, OnRemoveSuccess, ULONG)
    RECORD_EVENT(14, OnSMBIOSPrompt, const wchar_t*, BSTR*)
    RECORD_EVENT(15, OnInvalidOS, ULONG)
    RECORD_EVENT(16, OnInvalidBoard)
    RECORD_EVENT(17, OnInvalidBIOS)
    RECORD_EVENT(18, OnRemoveFail, ULONG)
    RECORD_EVENT(19, OnBIOSIDMismatch, const wchar_t*, const wchar_t*)
    RECORD_EVENT(20, OnPasswordExists, const wchar_t*)
    RECORD_EVENT(21, OnInvalidChecksum, const wchar_t*, const wchar_t*)
    RECORD_EVENT(22, OnComponentRemoved, ULONG)
    RECORD_EVENT(23, OnSMBIOSRemoved, const wchar_t*)
    RECORD_EVENT(24, OnINIMinorVer)
    RECORD_EVENT(25, OnNewerZENTVersion, const wchar_t*, const wchar_t*)
    RECORD_EVENT(26, OnPayloadError, const wchar_t*)
    RECORD_EVENT(27, OnExtractStart, ULONG)
    RECORD_EVENT(28, OnExtractFail, ULONG)
    RECORD_EVENT(29, OnExtractSuccess, ULONG)
    RECORD_EVENT(30, OnBadTokenIniValue, unsigned short*, const wchar_t*, long)
    RECORD_EVENT(31, OnTokenNotLockable, unsigned short*, const wchar_t*)
    RECORD_EVENT(32, OnTokenNotHideable, unsigned short*, const wchar_t*)
    RECORD_EVENT(33, OnTokenLockHideSameTime, unsigned short*, const wchar_t*)
    RECORD_EVENT(34, OnUqiNotOnSystem, unsigned short*)
    RECORD_EVENT(35, OnCantExtractToken, unsigned short*, const wchar_t*)
    RECORD_EVENT(36, OnBIOSModifiedFlagSetFailure)
    RECORD_EVENT(37, OnDuplicateTokenInIni, const wchar_t*)
    RECORD_EVENT(38, OnNoCoolingHardwareFound)
    RECORD_EVENT(39, OnTokenExtractInvalidValue, const wchar_t*)
    RECORD_EVENT(40, OnTokenIniVerTooEarly, const wchar_t*)
    RECORD_EVENT(41, OnDuplicateToken, const wchar_t*)
    RECORD_EVENT(42, OnInvalidUQIToken, const wchar_t*)
#undef RECORD_EVENT

    void RaiseWarning() override { ++warnings; }
    void Hold() override { ++holds; }
    void Unhold() override { --holds; }

private:
    HRESULT Record(DISPID id, const wchar_t* name)
    {
        events.push_back({id, name});
        return S_OK;
    }

    IToolkitEventTarget* m_previous;
};
