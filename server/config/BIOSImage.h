// CBIOSImage (Server.BIOSImage.1): one firmware variable image of the BIOS configuration,
// with its mask, write flag, vendor GUID, variable name and password status text.
#pragma once

#include "ConfigDataImpl.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What GetBIOSImage fills: the caller states its capacity and receives copies of the image
// and of its mask, both `size` bytes long.
struct BIOSImageRecord {
    unsigned capacity = 0;
    std::vector<uint8_t> data;
    std::vector<uint8_t> mask;
    unsigned size = 0;
};

class CBIOSImage final : public ConfigDataObject<CBIOSImage, IConfigData> {
public:
    IFACEMETHODIMP Accept(IDataOperation* operation) override;
    // What a reader of the configuration wants to know of an image, which has no value a
    // script could show: its variable, its size, how much of it an install writes, and its
    // status text.
    IFACEMETHODIMP get_Description(BSTR* description) override;

    // Replaces the held image and mask with copies of `size` bytes of each.
    HRESULT SetImage(unsigned size, const uint8_t* data, const uint8_t* mask);
    HRESULT GetBIOSImage(BIOSImageRecord* record) const;
    HRESULT GetBIOSImageSize(unsigned* size) const;

    void SetWriteFlag(DWORD writeFlag) { m_dwWriteFlag = writeFlag ? 1 : 0; }
    DWORD GetWriteFlag() const { return m_dwWriteFlag; }
    void SetVendorGuid(const GUID& vendorGuid) { m_guidVendor = vendorGuid; }
    const GUID& GetVendorGuid() const { return m_guidVendor; }
    void SetVariableName(std::wstring name) { m_strVariableName = std::move(name); }
    const std::wstring& GetVariableName() const { return m_strVariableName; }

    // The variable's status text as read (ANSI code page); not necessarily terminated.
    HRESULT SetPasswordError(unsigned size, const char* data);
    HRESULT GetPasswordError(std::wstring* text) const;

private:
    std::vector<uint8_t> m_imageData;
    std::vector<uint8_t> m_imageMask;
    DWORD m_dwWriteFlag = 0;
    GUID m_guidVendor = {};
    std::wstring m_strVariableName;
    std::optional<std::string> m_passwordError;
};
