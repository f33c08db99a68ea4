// CToolkit: the object that clients create (Server.Toolkit.1), one per process. It owns the
// connection point of _IToolkitEvents and registers itself as the frame's event target
// while it exists, so that every part of the server reaches the sinks without knowing it.
#pragma once

#include "frame/DiagnosticsLog.h"
#include "frame/EventTarget.h"
#include "frame/ServerDispatch.h"

#include "System.h"
#include "ToolkitInternal.h"

#include "system/FirmwareAccess.h"
#include "system/LibraryVariables.h"

#include "history/HistoryRecord.h"

#include "ConnectionPoint.h"
#include "Owners.h"

#include <ocidl.h>

#include <memory>
#include <string>

class CToolkit final : public ComObject<CToolkit, ServerDispatch<IToolkit>, SupportErrorInfoFor<IToolkit>,
                                        IConnectionPointContainer, IProvideClassInfo2>,
                       public IToolkitEventTarget {
public:
    static constexpr bool kAggregatable = false;

    CToolkit();
    ~CToolkit() override;
    HRESULT FinalConstruct();
    void* QueryExtraInterface(REFIID iid);

    // The toolkit of this process, if one exists.
    static CToolkit* Instance() { return s_pInstance; }
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

    // What Install(mask) would write, as the JSON document of docs/install-plan.md.
    HRESULT PlanInstall(ULONG qrvComponentMask, BSTR* plan);
    // Bit 0 of the firmware's BIOS-modified flag, read only.
    HRESULT IsBIOSModified(VARIANT_BOOL* set);
    // The operation's name in the next record of the history of changes.
    HRESULT SetHistoryOperation(BSTR name);
    // What the library answered to the write the last failed Install or Remove was refused.
    HRESULT GetRefusedWrite(BSTR* text);

    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** enumerator) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IProvideClassInfo2
    IFACEMETHODIMP GetClassInfo(ITypeInfo** typeInfo) override;
    IFACEMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IToolkitEventTarget: the events go to the sinks of the connection point.
    void RaiseWarning() override { SetWarningFlag(); }
    void Hold() override { AddRef(); }
    void Unhold() override { Release(); }
    HRESULT Fire_OnDiagnosticsError() override;
    HRESULT Fire_OnFlashStart() override;
    HRESULT Fire_OnFlashSuccess() override;
    HRESULT Fire_OnInstallStart(ULONG qrvComponentMask) override;
    HRESULT Fire_OnInstallSuccess(ULONG qrvComponentMask) override;
    HRESULT Fire_OnINIInvalidValue(const wchar_t* section, const wchar_t* keyword, const VARIANT& specifiedValue) override;
    HRESULT Fire_OnINIInvalidValue_wVal(const wchar_t* section, const wchar_t* keyword, const VARIANT& specifiedValue,
                                        const wchar_t* validValues) override;
    HRESULT Fire_OnINIMissingValue(const wchar_t* section, const wchar_t* keyword) override;
    HRESULT Fire_OnINIMissingValue_wVal(const wchar_t* section, const wchar_t* keyword, const wchar_t* validValues) override;
    HRESULT Fire_OnINIMissingSection(const wchar_t* section) override;
    HRESULT Fire_OnINITruncatedValue(const wchar_t* section, const wchar_t* keyword, const wchar_t* before,
                                     const wchar_t* after) override;
    HRESULT Fire_OnRemoveStart(ULONG qrvComponentMask) override;
    HRESULT Fire_OnRemoveSuccess(ULONG qrvComponentMask) override;
    HRESULT Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response) override;
    HRESULT Fire_OnInvalidOS(ULONG osMask) override;
    HRESULT Fire_OnInvalidBoard() override;
    HRESULT Fire_OnInvalidBIOS() override;
    HRESULT Fire_OnRemoveFail(ULONG qrvComponentMask) override;
    HRESULT Fire_OnBIOSIDMismatch(const wchar_t* iniId, const wchar_t* systemId) override;
    HRESULT Fire_OnPasswordExists(const wchar_t* passwordError) override;
    HRESULT Fire_OnInvalidChecksum(const wchar_t* iniSection, const wchar_t* checksumKeyword) override;
    HRESULT Fire_OnComponentRemoved(ULONG qrvComponentMask) override;
    HRESULT Fire_OnSMBIOSRemoved(const wchar_t* smbiosKeyword) override;
    HRESULT Fire_OnINIMinorVer() override;
    HRESULT Fire_OnNewerZENTVersion(const wchar_t* supportedVersion, const wchar_t* payloadVersion) override;
    HRESULT Fire_OnPayloadError(const wchar_t* error) override;
    HRESULT Fire_OnExtractStart(ULONG qrvComponentMask) override;
    HRESULT Fire_OnExtractFail(ULONG qrvComponentMask) override;
    HRESULT Fire_OnExtractSuccess(ULONG qrvComponentMask) override;
    HRESULT Fire_OnBadTokenIniValue(unsigned short* uqi, const wchar_t* tokenName, long valueIndex) override;
    HRESULT Fire_OnTokenNotLockable(unsigned short* uqi, const wchar_t* tokenName) override;
    HRESULT Fire_OnTokenNotHideable(unsigned short* uqi, const wchar_t* tokenName) override;
    HRESULT Fire_OnTokenLockHideSameTime(unsigned short* uqi, const wchar_t* tokenName) override;
    HRESULT Fire_OnUqiNotOnSystem(unsigned short* uqi) override;
    HRESULT Fire_OnCantExtractToken(unsigned short* uqi, const wchar_t* tokenName) override;
    HRESULT Fire_OnBIOSModifiedFlagSetFailure() override;
    HRESULT Fire_OnDuplicateTokenInIni(const wchar_t* heading) override;
    HRESULT Fire_OnNoCoolingHardwareFound() override;
    HRESULT Fire_OnTokenExtractInvalidValue(const wchar_t* heading) override;
    HRESULT Fire_OnTokenIniVerTooEarly(const wchar_t* currentIniVersion) override;
    HRESULT Fire_OnDuplicateToken(const wchar_t* tokenName) override;
    HRESULT Fire_OnInvalidUQIToken(const wchar_t* tokenName) override;

private:
    HRESULT SetWorkingDirectory();
    HRESULT NotSupported(const LogSite& site);
    // Refusals of a call that needs a configuration, or needs none to be loaded.
    HRESULT NoConfiguration(const LogSite& site);
    // S_OK when a configuration is loaded and was built whole: only such a one may be
    // written or installed.
    HRESULT RequireCompleteConfiguration(const LogSite& site);
    HRESULT AlreadyLoaded(const LogSite& site);
    IFirmwareVariables& Variables();
    // Appends the record of a change, named by SetHistoryOperation when it was called; a
    // failure to append is logged, never the operation's.
    void AppendToHistory(history::Record record, HRESULT result, const LogSite& site);
    // Notes the INI file a configuration is loaded from: its full path and its digest.
    void NoteLoadedFile(const std::wstring& path);
    // Before an operation that writes: no refused write is known. After it: the refused
    // write kept when the operation failed, and added to its record's warnings.
    void ForgetRefusedWrite();
    void KeepRefusedWrite(HRESULT result, history::Record& record);

    // The toolkit's face for in-process clients; its identity and lifetime are the toolkit's.
    class CInternal final : public IToolkitInternal {
    public:
        explicit CInternal(CToolkit& toolkit) : m_toolkit(toolkit) {}
        IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override { return m_toolkit.QueryInterface(iid, object); }
        IFACEMETHODIMP_(ULONG) AddRef() override { return m_toolkit.AddRef(); }
        IFACEMETHODIMP_(ULONG) Release() override { return m_toolkit.Release(); }
        IFACEMETHODIMP PlanInstall(ULONG qrvComponentMask, BSTR* plan) override
        {
            return m_toolkit.PlanInstall(qrvComponentMask, plan);
        }
        IFACEMETHODIMP FlashBIOS(BSTR bio, BSTR splash, short badge) override
        {
            return m_toolkit.FlashBIOS(bio, splash, badge);
        }
        IFACEMETHODIMP IsBIOSModified(VARIANT_BOOL* set) override { return m_toolkit.IsBIOSModified(set); }
        IFACEMETHODIMP SetHistoryOperation(BSTR name) override { return m_toolkit.SetHistoryOperation(name); }
        IFACEMETHODIMP GetRefusedWrite(BSTR* text) override { return m_toolkit.GetRefusedWrite(text); }

    private:
        CToolkit& m_toolkit;
    };

    static CToolkit* s_pInstance;
    CInternal m_internal{*this};
    ConnectionPoint m_eventsPoint;
    bool m_bWarning = false;
    std::wstring m_strSavedDirectory;
    ComPtr<IBiosCapsule> m_pBiosCapsule;
    ComPtr<ISystemCapabilities> m_pSystemCapabilities; // kept by Reset
    std::unique_ptr<CSystem> m_pSystem;                  // the loaded configuration
    // The INI file the configuration was loaded from and its SHA-256, for the history; empty
    // for a configuration read from the system or made empty.
    std::wstring m_strLoadedFile;
    std::string m_strLoadedSha256;
    std::wstring m_strHistoryOperation;                  // from SetHistoryOperation, until used
    std::wstring m_strRefusedWrite;                      // of the last failed Install or Remove
    // Made on the first call that reaches the firmware and held for the toolkit's life, so
    // the firmware-variable library is loaded once and every part of the server that reads
    // or writes a variable meanwhile finds it loaded. Not made when the toolkit is created:
    // a client connects its sinks only after that.
    std::unique_ptr<CLibraryVariables> m_pVariables;
};

// The singleton class object of CToolkit.
HRESULT CreateToolkitClassObject(IUnknown** classObject);
