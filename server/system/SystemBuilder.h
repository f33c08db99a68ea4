// Building a configuration tree from the running system: the same tree the INI builders
// make from a file (config/StructuralGroups.h), from firmware variables and the setup
// database. Every builder of one tree reads through one install collector, so each firmware
// variable is read once however many items come from it.
#pragma once

#include "InstallEFIVar.h"

#include "config/Builder.h"
#include "config/ComponentMask.h"
#include "config/SMBIOSTable.h"

#include "ComObject.h"

#include <string>
#include <vector>

class CConfigGroup;
class CTokensSetting;
struct HII_SETTING;

class CSystemBuilder final : public CBuilder {
public:
    explicit CSystemBuilder(CComponentMask mask) : m_mask(mask) {}
    // S_OK with the root; 0x02390014 (no tree) when the firmware keeps its own fan-control
    // configuration and cooling was asked for; E_FAIL (no tree) when a component failed.
    HRESULT CreateConfigurationTree(IConfigGroup** root) override;

private:
    CComponentMask m_mask;
    CInstallEFIVar m_collector;
};

class CBIOSInfoSystemBuilder final : public CBuilder {
public:
    explicit CBIOSInfoSystemBuilder(CInstallEFIVar& collector) : m_collector(collector) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;
    HRESULT GetFirmwareId(std::wstring& biosId);

private:
    CInstallEFIVar& m_collector;
    std::wstring m_strBiosId;
};

// The release date in a BIOS ID ("DBZ7710H.86A.0042.2013.0312.1045": 2013-03-12 10:45); false
// for an ID shorter than 32 characters or a date that does not exist.
bool GetFirmwareDate(std::wstring_view biosId, SYSTEMTIME& date);

// One password question of the setup database: where its bytes are.
struct PasswordEntry {
    USHORT offset = 0;
    BYTE width = 0;
    std::wstring variableName;
    GUID variableGuid{};
};

class CBIOSImageSystemBuilder final : public CBuilder {
public:
    explicit CBIOSImageSystemBuilder(CInstallEFIVar& collector) : m_collector(collector) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;

private:
    HRESULT CheckForPasswordVariables(bool& present);
    HRESULT GetPasswordsFromDatabase();
    HRESULT CreateImageData(CConfigGroup& group, const std::wstring& name, const GUID& guid);
    HRESULT CreatePasswordData(CConfigGroup& group);

    CInstallEFIVar& m_collector;
    std::vector<PasswordEntry> m_passwords;
};

class CSMBIOSSystemBuilder final : public CBuilder {
public:
    explicit CSMBIOSSystemBuilder(CInstallEFIVar& collector) : m_collector(collector) {}
    // E_VARIABLE_NOT_FOUND when a string's variable is absent (AbsentRow names it).
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;
    // The row whose variable was absent: after a removal of the SMBIOS strings the firmware
    // shows them again only from the next restart on.
    const SMBIOSRow* AbsentRow() const { return m_absentRow; }

private:
    CInstallEFIVar& m_collector;
    const SMBIOSRow* m_absentRow = nullptr;
};

class CTokensSystemBuilder final : public CBuilder {
public:
    explicit CTokensSystemBuilder(CInstallEFIVar& collector) : m_collector(collector) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;

private:
    HRESULT PopulateSetting(const std::shared_ptr<const HII_SETTING>& setting, CTokensSetting& token);
    HRESULT GetTokenValue(const HII_SETTING& setting, ULONG offset, BYTE width, LONG& value);
    HRESULT GetDefaultValue(const HII_SETTING& setting, ULONG offset, BYTE width, LONG& value);
    HRESULT PopulatePureLockHide(const class CHiiTokenSource& source, CTokensSetting& token);
    HRESULT InstallConfigurationPoint(const std::vector<std::shared_ptr<const HII_SETTING>>& candidates);

    CInstallEFIVar& m_collector;
};
