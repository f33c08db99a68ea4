// CWriteINIOperation: writes a configuration tree into an INI file. Configure opens the file
// (creating it when it does not exist) and walks the tree, changing only the parser's copy
// in memory; Execute puts the result on disk in one step. An existing file keeps its other
// sections, keywords and comments; its token sections are replaced by those of the tree.
#pragma once

#include "PellamParser.h"

#include "config/DataOperation.h"

#include <cstdint>
#include <string>

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

    CPellamParser m_parser;
    std::wstring m_strPath;
    uint16_t m_nImageCounter = 0;
};
