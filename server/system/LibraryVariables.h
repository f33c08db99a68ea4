// The firmware variables of the running board, through the firmware-variable library. An
// instance keeps the library loaded while it lives (CEFIVar counts its users), so an object
// that holds one for its whole life makes every access cheap.
#pragma once

#include "EFIVar.h"
#include "FirmwareVariables.h"

class CLibraryVariables final : public IFirmwareVariables {
public:
    HRESULT QuerySize(const std::wstring& name, const GUID& vendor, ULONG& size, ULONG* attributes) override;
    HRESULT Read(const std::wstring& name, const GUID& vendor, std::vector<BYTE>& data, ULONG* attributes) override;
    HRESULT Write(const std::wstring& name, const GUID& vendor, ULONG attributes, std::span<const BYTE> data) override;
    HRESULT ExportDatabase(std::vector<BYTE>& data) override;

private:
    CEFIVar m_efiVar;
};
