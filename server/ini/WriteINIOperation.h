// CWriteINIOperation: writes a configuration tree into an INI file. Configure opens the file
// (creating it when it does not exist) and walks the tree, changing only the parser's copy
// in memory; Execute puts the result on disk in one step. An existing file keeps its other
// sections, keywords and comments; its token sections are replaced by those of the tree.
#pragma once

#include "PellamParser.h"

#include "config/DataOperation.h"

#include <cstdint>
#include <string>
#include <string_view>

class CWriteINIOperation final : public DataOperationObject<CWriteINIOperation> {
public:
    HRESULT Configure(IOperationTarget* root, const std::wstring& path, CComponentMask mask);
    HRESULT Execute() override;

    HRESULT OnGroupStart(CConfigGroup* group) override;
    HRESULT OnGroupFinish(CConfigGroup* group) override;
    HRESULT ProcessConfigData(CBIOSImage* setting) override;
    HRESULT ProcessConfigData(CBIOSInfo* setting) override;
    HRESULT ProcessConfigData(CSMBIOSSetting* setting) override;
    HRESULT ProcessConfigData(CCoolingSetting* setting) override;
    HRESULT ProcessConfigData(CTokensSetting* setting) override;

private:
    HRESULT AddEntryToINI(const std::wstring& section, const std::wstring& keyword, EConfigType type,
                          const VARIANT& value);
    HRESULT EncodeAndWriteToINI(const uint8_t* bytes, size_t count, const std::wstring& section,
                                const std::wstring& keyword, bool split, bool withChecksum);
    HRESULT WriteReferenceIDChecksum(CBIOSInfo* setting);
    HRESULT WriteTokenValues(CTokensSetting* token, const std::wstring& section);
    HRESULT WriteTokenDescription(CTokensSetting* token, const std::wstring& section);

    HRESULT DeleteIgnoredTokenSections();
    HRESULT WriteChoiceLines(CTokensSetting* token, const std::wstring& section);
    HRESULT AddComment(const std::wstring& section, int blanks, std::wstring_view text);
    // The collection that an ordered list's value holds.
    static HRESULT ValueCollection(const VARIANT& value, ComPtr<IVariantCollection>& list, const LogSite& site);
    // A failed write into the parser's copy, reported as the write failure the client sees.
    static HRESULT Written(HRESULT hr, const LogSite& site, const std::wstring& section, const std::wstring& keyword);

    CPellamParser m_parser;
    std::wstring m_strPath;
    uint16_t m_nImageCounter = 0;
    // Set when the whole tree went into the parser's copy: only then does Execute write.
    bool m_bConfigured = false;
};
