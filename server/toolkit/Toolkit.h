// CToolkit: the object that clients create (Server.Toolkit.1), one per process. It owns the
// connection point of _IToolkitEvents; every part of the server reaches the sinks through
// the process-wide pointer to it.
#pragma once

#include "frame/ServerDispatch.h"

#include "ConnectionPoint.h"
#include "Owners.h"

#include <ocidl.h>

#include <string>

class CToolkit final : public ComObject<CToolkit, ServerDispatch<IToolkit>, SupportErrorInfoFor<IToolkit>,
                                        IConnectionPointContainer, IProvideClassInfo2> {
public:
    static constexpr bool kAggregatable = false;

    CToolkit();
    ~CToolkit() override;
    HRESULT FinalConstruct();
    void* QueryExtraInterface(REFIID iid);

    // The toolkit of this process, if one exists.
    static CToolkit* Instance() { return s_pInstance; }
    // Runs `fire` on the process's toolkit (keeping it alive meanwhile); nothing when none.
    template <typename Fire>
    static void FireEventFromAnywhere(Fire&& fire)
    {
        ComPtr<CToolkit> toolkit = s_pInstance;
        if (toolkit) {
            fire(*toolkit.Get());
        }
    }
    static void SetWarningFlagFromAnywhere();
    bool WarningFlag() const { return m_bWarning; }
    void SetWarningFlag() { m_bWarning = true; }
    // S_OK, or the warnings result when the flag was set (which is cleared).
    HRESULT TakeWarnings(HRESULT success = S_OK);

    // IToolkit
    IFACEMETHODIMP Reboot() override;
    IFACEMETHODIMP Install(ULONG qrvComponentMask) override;
    IFACEMETHODIMP LoadConfigFromSystem(ULONG qrvComponentMask) override;
    IFACEMETHODIMP LoadINIFile(BSTR bstrINIFileName, ULONG qrvComponentMask) override;
    IFACEMETHODIMP CreateEmptyConfiguration() override;
    IFACEMETHODIMP Remove(ULONG qrvComponentMask) override;
    IFACEMETHODIMP Report(BSTR bstrReportFileName) override;
    IFACEMETHODIMP ValidateSystem() override;
    IFACEMETHODIMP Verify(ULONG qrvComponentMask) override;
    IFACEMETHODIMP WriteINIFile(BSTR bstrINIFileName, ULONG qrvComponentMask) override;
    IFACEMETHODIMP AddPayload(BSTR bstrPayloadFileName) override;
    IFACEMETHODIMP get_Version(BSTR* version) override;
    IFACEMETHODIMP get_VersionBuild(short* build) override;
    IFACEMETHODIMP get_VersionMajor(short* major) override;
    IFACEMETHODIMP get_VersionMinor(short* minor) override;
    IFACEMETHODIMP get_VersionPatch(short* patch) override;
    IFACEMETHODIMP get_BiosCapsule(IBiosCapsule** capsule) override;
    IFACEMETHODIMP GetConfigGroup(EConfigGroupID eGroupID, IConfigGroup** ppConfigGroup) override;
    IFACEMETHODIMP GetTokenSetting(unsigned short* pnUQI, ITokenConfigData** ppTokenSetting) override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP get_SystemCapabilities(ISystemCapabilities** capabilities) override;
    IFACEMETHODIMP SetCPTokInfo(ULONG dwUqi, unsigned short* wpValue, unsigned short MaxEntries) override;

    // The flash entry for callers inside the process: flashes an image in one request.
    // `badge` is a VARIANT_BOOL switch (-1 on) and counts only with a splash picture.
    HRESULT FlashBIOS(BSTR bstrBiosFileName, BSTR bstrSplashFileName, short badge);

    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** enumerator) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IProvideClassInfo2
    IFACEMETHODIMP GetClassInfo(ITypeInfo** typeInfo) override;
    IFACEMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // _IToolkitEvents: one firing operation per event. Each returns the result of the last
    // sink's Invoke (S_OK with no sinks) and throws std::bad_alloc when a string argument
    // cannot be copied.
    HRESULT Fire_OnDiagnosticsError();
    HRESULT Fire_OnFlashStart();
    HRESULT Fire_OnFlashSuccess();
    HRESULT Fire_OnInstallStart(ULONG qrvComponentMask);
    HRESULT Fire_OnInstallSuccess(ULONG qrvComponentMask);
    HRESULT Fire_OnINIInvalidValue(const wchar_t* section, const wchar_t* keyword, const VARIANT& specifiedValue);
    HRESULT Fire_OnINIInvalidValue_wVal(const wchar_t* section, const wchar_t* keyword, const VARIANT& specifiedValue,
                                        const wchar_t* validValues);
    HRESULT Fire_OnINIMissingValue(const wchar_t* section, const wchar_t* keyword);
    HRESULT Fire_OnINIMissingValue_wVal(const wchar_t* section, const wchar_t* keyword, const wchar_t* validValues);
    HRESULT Fire_OnINIMissingSection(const wchar_t* section);
    HRESULT Fire_OnINITruncatedValue(const wchar_t* section, const wchar_t* keyword, const wchar_t* before,
                                     const wchar_t* after);
    HRESULT Fire_OnRemoveStart(ULONG qrvComponentMask);
    HRESULT Fire_OnRemoveSuccess(ULONG qrvComponentMask);
    HRESULT Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response);
    HRESULT Fire_OnInvalidOS(ULONG osMask);
    HRESULT Fire_OnInvalidBoard();
    HRESULT Fire_OnInvalidBIOS();
    HRESULT Fire_OnRemoveFail(ULONG qrvComponentMask);
    HRESULT Fire_OnBIOSIDMismatch(const wchar_t* iniId, const wchar_t* systemId);
    HRESULT Fire_OnPasswordExists(const wchar_t* passwordError);
    HRESULT Fire_OnInvalidChecksum(const wchar_t* iniSection, const wchar_t* checksumKeyword);
    HRESULT Fire_OnComponentRemoved(ULONG qrvComponentMask);
    HRESULT Fire_OnSMBIOSRemoved(const wchar_t* smbiosKeyword);
    HRESULT Fire_OnINIMinorVer();
    HRESULT Fire_OnNewerZENTVersion(const wchar_t* supportedVersion, const wchar_t* payloadVersion);
    HRESULT Fire_OnPayloadError(const wchar_t* error);
    HRESULT Fire_OnExtractStart(ULONG qrvComponentMask);
    HRESULT Fire_OnExtractFail(ULONG qrvComponentMask);
    HRESULT Fire_OnExtractSuccess(ULONG qrvComponentMask);
    HRESULT Fire_OnBadTokenIniValue(unsigned short* uqi, const wchar_t* tokenName, long valueIndex);
    HRESULT Fire_OnTokenNotLockable(unsigned short* uqi, const wchar_t* tokenName);
    HRESULT Fire_OnTokenNotHideable(unsigned short* uqi, const wchar_t* tokenName);
    HRESULT Fire_OnTokenLockHideSameTime(unsigned short* uqi, const wchar_t* tokenName);
    HRESULT Fire_OnUqiNotOnSystem(unsigned short* uqi);
    HRESULT Fire_OnCantExtractToken(unsigned short* uqi, const wchar_t* tokenName);
    HRESULT Fire_OnBIOSModifiedFlagSetFailure();
    HRESULT Fire_OnDuplicateTokenInIni(const wchar_t* heading);
    HRESULT Fire_OnNoCoolingHardwareFound();
    HRESULT Fire_OnTokenExtractInvalidValue(const wchar_t* heading);
    HRESULT Fire_OnTokenIniVerTooEarly(const wchar_t* currentIniVersion);
    HRESULT Fire_OnDuplicateToken(const wchar_t* tokenName);
    HRESULT Fire_OnInvalidUQIToken(const wchar_t* tokenName);

private:
    HRESULT SetWorkingDirectory();
    HRESULT NotSupported(const wchar_t* function);
    HRESULT NotYetAvailable(const wchar_t* function);

    static CToolkit* s_pInstance;
    ConnectionPoint m_eventsPoint;
    bool m_bWarning = false;
    std::wstring m_strSavedDirectory;
    ComPtr<IBiosCapsule> m_pBiosCapsule;
    ComPtr<ISystemCapabilities> m_pSystemCapabilities; // kept by Reset
};

// The singleton class object of CToolkit.
HRESULT CreateToolkitClassObject(IUnknown** classObject);
