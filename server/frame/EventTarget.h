// Where the server's parts send the events of _IToolkitEvents and raise the warning flag,
// without knowing the toolkit: the toolkit registers itself as the target while it exists,
// and a test can install a recorder instead. With no target registered, firing does nothing.
#pragma once

#include <windows.h>
#include <oaidl.h>

// The dispatch identifiers of the events of _IToolkitEvents.
namespace ToolkitEventId {
constexpr DISPID OnDiagnosticsError = 1;
constexpr DISPID OnFlashStart = 2;
constexpr DISPID OnFlashSuccess = 3;
constexpr DISPID OnInstallStart = 4;
constexpr DISPID OnInstallSuccess = 5;
constexpr DISPID OnINIInvalidValue = 6;
constexpr DISPID OnINIInvalidValue_wVal = 7;
constexpr DISPID OnINIMissingValue = 8;
constexpr DISPID OnINIMissingValue_wVal = 9;
constexpr DISPID OnINIMissingSection = 10;
constexpr DISPID OnINITruncatedValue = 11;
constexpr DISPID OnRemoveStart = 12;
constexpr DISPID OnRemoveSuccess = 13;
constexpr DISPID OnSMBIOSPrompt = 14;
constexpr DISPID OnInvalidOS = 15;
constexpr DISPID OnInvalidBoard = 16;
constexpr DISPID OnInvalidBIOS = 17;
constexpr DISPID OnRemoveFail = 18;
constexpr DISPID OnBIOSIDMismatch = 19;
constexpr DISPID OnPasswordExists = 20;
constexpr DISPID OnInvalidChecksum = 21;
constexpr DISPID OnComponentRemoved = 22;
constexpr DISPID OnSMBIOSRemoved = 23;
constexpr DISPID OnINIMinorVer = 24;
constexpr DISPID OnNewerZENTVersion = 25;
constexpr DISPID OnPayloadError = 26;
constexpr DISPID OnExtractStart = 27;
constexpr DISPID OnExtractFail = 28;
constexpr DISPID OnExtractSuccess = 29;
constexpr DISPID OnBadTokenIniValue = 30;
constexpr DISPID OnTokenNotLockable = 31;
constexpr DISPID OnTokenNotHideable = 32;
constexpr DISPID OnTokenLockHideSameTime = 33;
constexpr DISPID OnUqiNotOnSystem = 34;
constexpr DISPID OnCantExtractToken = 35;
constexpr DISPID OnBIOSModifiedFlagSetFailure = 36;
constexpr DISPID OnDuplicateTokenInIni = 37;
constexpr DISPID OnNoCoolingHardwareFound = 38;
constexpr DISPID OnTokenExtractInvalidValue = 39;
constexpr DISPID OnTokenIniVerTooEarly = 40;
constexpr DISPID OnDuplicateToken = 41;
constexpr DISPID OnInvalidUQIToken = 42;
} // namespace ToolkitEventId

class IToolkitEventTarget {
public:
    // One call per event; each returns the result of the last sink's Invoke (S_OK with no
    // sinks) and may throw std::bad_alloc when a string argument cannot be copied.
    virtual HRESULT Fire_OnDiagnosticsError() = 0;
    virtual HRESULT Fire_OnFlashStart() = 0;
    virtual HRESULT Fire_OnFlashSuccess() = 0;
    virtual HRESULT Fire_OnInstallStart(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnInstallSuccess(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnINIInvalidValue(const wchar_t* section, const wchar_t* keyword,
                                           const VARIANT& specifiedValue) = 0;
    virtual HRESULT Fire_OnINIInvalidValue_wVal(const wchar_t* section, const wchar_t* keyword,
                                                const VARIANT& specifiedValue, const wchar_t* validValues) = 0;
    virtual HRESULT Fire_OnINIMissingValue(const wchar_t* section, const wchar_t* keyword) = 0;
    virtual HRESULT Fire_OnINIMissingValue_wVal(const wchar_t* section, const wchar_t* keyword,
                                                const wchar_t* validValues) = 0;
    virtual HRESULT Fire_OnINIMissingSection(const wchar_t* section) = 0;
    virtual HRESULT Fire_OnINITruncatedValue(const wchar_t* section, const wchar_t* keyword, const wchar_t* before,
                                             const wchar_t* after) = 0;
    virtual HRESULT Fire_OnRemoveStart(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnRemoveSuccess(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response) = 0;
    virtual HRESULT Fire_OnInvalidOS(ULONG osMask) = 0;
    virtual HRESULT Fire_OnInvalidBoard() = 0;
    virtual HRESULT Fire_OnInvalidBIOS() = 0;
    virtual HRESULT Fire_OnRemoveFail(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnBIOSIDMismatch(const wchar_t* iniId, const wchar_t* systemId) = 0;
    virtual HRESULT Fire_OnPasswordExists(const wchar_t* passwordError) = 0;
    virtual HRESULT Fire_OnInvalidChecksum(const wchar_t* iniSection, const wchar_t* checksumKeyword) = 0;
    virtual HRESULT Fire_OnComponentRemoved(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnSMBIOSRemoved(const wchar_t* smbiosKeyword) = 0;
    virtual HRESULT Fire_OnINIMinorVer() = 0;
    virtual HRESULT Fire_OnNewerZENTVersion(const wchar_t* supportedVersion, const wchar_t* payloadVersion) = 0;
    virtual HRESULT Fire_OnPayloadError(const wchar_t* error) = 0;
    virtual HRESULT Fire_OnExtractStart(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnExtractFail(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnExtractSuccess(ULONG qrvComponentMask) = 0;
    virtual HRESULT Fire_OnBadTokenIniValue(unsigned short* uqi, const wchar_t* tokenName, long valueIndex) = 0;
    virtual HRESULT Fire_OnTokenNotLockable(unsigned short* uqi, const wchar_t* tokenName) = 0;
    virtual HRESULT Fire_OnTokenNotHideable(unsigned short* uqi, const wchar_t* tokenName) = 0;
    virtual HRESULT Fire_OnTokenLockHideSameTime(unsigned short* uqi, const wchar_t* tokenName) = 0;
    virtual HRESULT Fire_OnUqiNotOnSystem(unsigned short* uqi) = 0;
    virtual HRESULT Fire_OnCantExtractToken(unsigned short* uqi, const wchar_t* tokenName) = 0;
    virtual HRESULT Fire_OnBIOSModifiedFlagSetFailure() = 0;
    virtual HRESULT Fire_OnDuplicateTokenInIni(const wchar_t* heading) = 0;
    virtual HRESULT Fire_OnNoCoolingHardwareFound() = 0;
    virtual HRESULT Fire_OnTokenExtractInvalidValue(const wchar_t* heading) = 0;
    virtual HRESULT Fire_OnTokenIniVerTooEarly(const wchar_t* currentIniVersion) = 0;
    virtual HRESULT Fire_OnDuplicateToken(const wchar_t* tokenName) = 0;
    virtual HRESULT Fire_OnInvalidUQIToken(const wchar_t* tokenName) = 0;

    // The next IToolkit method that reports warnings returns the warnings result.
    virtual void RaiseWarning() = 0;
    // A sink may drop the last reference to the target while an event is fired; the target
    // is held for the duration.
    virtual void Hold() = 0;
    virtual void Unhold() = 0;

protected:
    ~IToolkitEventTarget() = default;
};

namespace ToolkitEvents {

// Makes `target` the one that events go to (null for none); returns the one before.
IToolkitEventTarget* SetTarget(IToolkitEventTarget* target);
IToolkitEventTarget* Target();

// Fires through the registered target, held meanwhile: `fire(target)` returns the event's
// result. S_OK when no target is registered.
template <typename Firing>
HRESULT Fire(Firing&& fire)
{
    IToolkitEventTarget* target = Target();
    if (!target) {
        return S_OK;
    }
    struct Holder {
        IToolkitEventTarget* held;
        ~Holder() { held->Unhold(); }
    } holder{target};
    target->Hold();
    return fire(*target);
}

// Raises the registered target's warning flag; nothing when none is registered.
void RaiseWarning();

} // namespace ToolkitEvents
