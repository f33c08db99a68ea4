// CBIOSInfo (Server.BIOSInfo.1): one item of BIOS information, kept with the BIOS
// configuration.
#pragma once

#include "ConfigDataImpl.h"

#include <string>

class CBIOSInfo final : public ConfigDataObject<CBIOSInfo, IConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;

    // Where the value came from in an INI file, and whether the checksum written beside it
    // matched; the installer reports a mismatch with these.
    void SetINISource(std::wstring section, std::wstring keyword)
    {
        m_strSection = std::move(section);
        m_strKeyword = std::move(keyword);
    }
    const std::wstring& Section() const { return m_strSection; }
    const std::wstring& Keyword() const { return m_strKeyword; }
    void SetChecksumValid(bool valid) { m_bChecksumValid = valid; }
    bool ChecksumValid() const { return m_bChecksumValid; }

protected:
    // The reference ID, on one line of an INI file.
    size_t TextByteLimit() const override;

private:
    std::wstring m_strSection;
    std::wstring m_strKeyword;
    bool m_bChecksumValid = false;
};
