// Building a configuration tree from an INI file. CINIBuilder reads the file, checks its
// version and lets one component builder per selected component make that component's
// group; the groups are joined under the structural groups of the tree (StructuralGroups).
//
// Missing and empty values do not stop a load by themselves: they fire events that tell
// the client and leave defaults in place.
#pragma once

#include "PellamParser.h"

#include "config/Builder.h"
#include "config/ComponentMask.h"
#include "config/StructuralGroups.h"
#include "system/CoolingBuilder.h"

#include "ComObject.h"

#include <set>
#include <string>

class CINIBuilder final : public CBuilder {
public:
    // The version this build writes and reads without warning.
    static constexpr long kSupportedMajor = 2;
    static constexpr long kSupportedMinor = 9;
    static constexpr long kOldestMinor = 7;

    CINIBuilder(const std::wstring& path, CComponentMask mask);

    // Hands out the root even when a component failed (E_FAIL then), so that the caller can
    // keep what was read; no tree for a file that could not be loaded.
    HRESULT CreateConfigurationTree(IConfigGroup** root) override;
    HRESULT LoadStatus() const { return m_hrLoadStatus; }

private:
    HRESULT VerifyINIVersion();
    HRESULT SetParserErrorInfo() const;
    HRESULT BuildComponents(StructuralGroups& groups);

    CComponentMask m_mask;
    CPellamParser m_parser;
    HRESULT m_hrLoadStatus = E_FAIL;
};

// The component builders; each makes its component's group from the loaded file.
class CBIOSInfoINIBuilder final : public CBuilder {
public:
    explicit CBIOSInfoINIBuilder(CPellamParser& parser) : m_parser(parser) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;

private:
    CPellamParser& m_parser;
};

class CBIOSImageINIBuilder final : public CBuilder {
public:
    explicit CBIOSImageINIBuilder(CPellamParser& parser) : m_parser(parser) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;

private:
    HRESULT CreateImage(long number, IConfigData** image);
    CPellamParser& m_parser;
};

class CSMBIOSINIBuilder final : public CBuilder {
public:
    explicit CSMBIOSINIBuilder(CPellamParser& parser) : m_parser(parser) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;

private:
    CPellamParser& m_parser;
};

// The cooling settings of the file: one value per setting under its group's section.
class CCoolingINIBuilder final : public CCoolingBuilder {
public:
    explicit CCoolingINIBuilder(CPellamParser& parser) : m_parser(parser) {}

protected:
    HRESULT FillSetting(const cooling::SettingDefinition& definition, CCoolingSetting& setting) override;

private:
    CPellamParser& m_parser;
    std::set<std::wstring> m_missingSections;
};

class CTokensINIBuilder final : public CBuilder {
public:
    explicit CTokensINIBuilder(CPellamParser& parser) : m_parser(parser) {}
    HRESULT CreateConfigurationTree(IConfigGroup** group) override;
    // S_FALSE when the section names no token (too short a UQI), E_FAIL when it is invalid.
    HRESULT CreateAndPopulateToken(const std::wstring& section, IConfigData** token);

private:
    CPellamParser& m_parser;
};

// A component's group, handed out at once so that the caller keeps what was read even when
// the builder fails later.
HRESULT CreateComponentGroup(EConfigGroupID id, UINT messageId, ComPtr<class CConfigGroup>& group,
                             IConfigGroup** out);

// The version of a file as "major.minor", both decimal; false when the text is not one.
bool ParseINIVersion(std::wstring_view text, long* major, long* minor);

// The checksum rule of INI files over the ANSI form of a text (the reference ID).
uint16_t TextChecksum(const std::wstring& text);
