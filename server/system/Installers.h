// The installers of one install operation, one per component: each checks its items and
// collects their bytes in a collector of its own, which the operation commits in turn.
#pragma once

#include "HiiSetting.h"
#include "InstallEFIVar.h"
#include "InstallPlan.h"

#include "cooling/Corrin6Config.h"
#include "cooling/CoolingTables.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CBIOSImage;
class CBIOSInfo;
class CCoolingSetting;
class CSMBIOSSetting;
class CTokensSetting;

// What every installer of one operation shares.
struct InstallContext {
    IFirmwareVariables& variables;
    CollectorMode mode;
    InstallPlan& plan;
};

class CInstallBIOSImage {
public:
    explicit CInstallBIOSImage(InstallContext& context) : m_context(context), m_collector(context.variables, context.mode) {}
    HRESULT SetImage(CBIOSImage* image);
    HRESULT Commit() { return m_collector.Commit(); }
    const std::vector<PlannedVariable>& Planned() const { return m_collector.Planned(); }

private:
    // S_FALSE when the variable's size (`size`, 0 when it could not be had) differs.
    HRESULT VerifyImageSize(const EFIVarRecord& record, ULONG& size);
    HRESULT GetMatchingOEMDefaultVar(const EFIVarRecord& record, std::wstring& oemDefault) const;

    InstallContext& m_context;
    CInstallEFIVar m_collector;
};

class CInstallBIOSInfo {
public:
    explicit CInstallBIOSInfo(InstallContext& context) : m_context(context) {}
    // Keeps the reference ID of a BIOS ID item.
    void SetReference(const std::wstring& id, const std::wstring& section, const std::wstring& keyword, bool valid);
    // Whether the board runs the firmware the configuration was made for.
    HRESULT CheckBIOSID();

private:
    InstallContext& m_context;
    std::wstring m_strReferenceID;
    std::wstring m_strSection;
    std::wstring m_strKeyword;
    bool m_bChecksumValid = false;
};

class CInstallSMBIOSSetting {
public:
    explicit CInstallSMBIOSSetting(InstallContext& context) : m_context(context), m_collector(context.variables, context.mode) {}
    HRESULT AddSetting(CSMBIOSSetting* setting);
    HRESULT Commit() { return m_collector.Commit(); }
    const std::vector<PlannedVariable>& Planned() const { return m_collector.Planned(); }

private:
    HRESULT GetValueFromSetting(CSMBIOSSetting& setting, std::wstring& value);

    InstallContext& m_context;
    CInstallEFIVar m_collector;
};

class CInstallTokensSetting {
public:
    explicit CInstallTokensSetting(InstallContext& context) : m_context(context), m_collector(context.variables, context.mode) {}
    HRESULT AddSetting(CTokensSetting* setting);
    HRESULT Commit() { return m_collector.Commit(); }
    const std::vector<PlannedVariable>& Planned() const { return m_collector.Planned(); }

private:
    using TokenPointer = std::shared_ptr<const HII_SETTING>;
    HRESULT FindMatchingHiiToken(const std::wstring& uqi, const std::vector<TokenPointer>** tokens);
    HRESULT InstallToken(CTokensSetting& item, const std::vector<TokenPointer>& tokens, PlannedItem& planned);
    HRESULT InstallSettingLockHide(CTokensSetting& item, const TokenPointer& token);
    std::wstring ValueText(const HII_SETTING& token, const std::vector<LONG>& values) const;
    HRESULT CurrentValues(const HII_SETTING& token, size_t count, std::vector<LONG>& values);

    InstallContext& m_context;
    CInstallEFIVar m_collector;
    // The system's tokens by UQI, in list order; built on the first item.
    std::unordered_map<std::wstring, std::vector<TokenPointer>> m_byUqi;
    bool m_bIndexed = false;
};

// The cooling settings: every item's value goes into one register image of the board's
// hardware-monitor chip, which the commit hands to the firmware as the SMBus sequence it
// runs at each start ("BmiUserSequence"). The firmware's interface and the chip are checked
// at the first item, so a board that cannot take the settings refuses before anything of the
// install is written.
class CInstallCoolingSetting {
public:
    explicit CInstallCoolingSetting(InstallContext& context) : m_context(context), m_collector(context.variables, context.mode) {}
    HRESULT AddSetting(CCoolingSetting* setting);
    // Nothing to write when no cooling item was given.
    HRESULT Commit();
    const std::vector<PlannedVariable>& Planned() const { return m_collector.Planned(); }

private:
    HRESULT CheckForBMISupport();
    HRESULT SetC6ConfigData();
    HRESULT GetSettingDefinition(const std::wstring& name, const cooling::SettingDefinition** definition);
    HRESULT GetMatchingChoice(const cooling::SettingDefinition& definition, CCoolingSetting& setting,
        const VARIANT& value, const cooling::Choice** choice);
    HRESULT GetZoneAssociation(const cooling::Choice& choice, uint8_t& code);
    HRESULT GetFrequencyAssociation(const cooling::Choice& choice, uint8_t& code);
    static HRESULT ChoiceCode(const wchar_t* function, const cooling::Choice& choice,
        std::optional<uint8_t> (*table)(int), uint8_t& code);
    HRESULT ConfigureC6WithValue(const cooling::SettingDefinition& definition, double value);
    // The setting's line of the plan: what the chip runs now, and the value installed.
    void PlanSetting(const cooling::SettingDefinition& definition, CCoolingSetting& setting, const VARIANT& value);

    InstallContext& m_context;
    CInstallEFIVar m_collector;
    cooling::Corrin6Config m_image;
    cooling::Corrin6Config m_current;
    bool m_bCurrentKnown = false;
    uint16_t m_interfaceVersion = 0;
    bool m_bPrepared = false;
    bool m_bAdded = false;
};
