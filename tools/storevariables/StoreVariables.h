// An emulated board held in memory, behind the server's firmware-variable interface. Every
// call runs the firmware-variable library's own operation over the image (StoreOperations.h),
// so counters and armed faults change as they would in a store file, and every status
// reaches the caller as the library's would (CEFIVar::InterpretEFIRetVal); only the file,
// its lock and the library's loading are left out. Make it current (CCurrentFirmwareVariables)
// or hand it to an install, then read the image back.
#pragma once

#include "system/FirmwareVariables.h"

#include "StoreImage.h"

class CStoreVariables final : public IFirmwareVariables {
public:
    explicit CStoreVariables(fwstore::StoreImage image) : m_image(std::move(image)) {}

    HRESULT QuerySize(const std::wstring& name, const GUID& vendor, ULONG& size, ULONG* attributes) override;
    HRESULT Read(const std::wstring& name, const GUID& vendor, std::vector<BYTE>& data, ULONG* attributes) override;
    HRESULT Write(const std::wstring& name, const GUID& vendor, ULONG attributes, std::span<const BYTE> data) override;
    HRESULT ExportDatabase(std::vector<BYTE>& data) override;

    // The board now: its variables, counters and faults, which a caller may change too.
    fwstore::StoreImage& Image() { return m_image; }
    const fwstore::StoreImage& Image() const { return m_image; }

private:
    HRESULT GetVariable(const std::wstring& name, const GUID& vendor, ULONG* attributes, ULONG& size, void* data);
    HRESULT GetExportDb(ULONG& size, void* data);

    fwstore::StoreImage m_image;
};
