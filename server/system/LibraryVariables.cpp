#include "LibraryVariables.h"

HRESULT CLibraryVariables::QuerySize(const std::wstring& name, const GUID& vendor, ULONG& size, ULONG* attributes)
{
    ULONG ignored = 0;
    size = 0;
    return m_efiVar.GetVariable(name, &vendor, attributes ? attributes : &ignored, &size, nullptr);
}

HRESULT CLibraryVariables::Read(const std::wstring& name, const GUID& vendor, std::vector<BYTE>& data, ULONG* attributes)
{
    return m_efiVar.ReadVariable(name, &vendor, data, attributes);
}

HRESULT CLibraryVariables::Write(const std::wstring& name, const GUID& vendor, ULONG attributes,
    std::span<const BYTE> data)
{
    ULONG size = static_cast<ULONG>(data.size());
    // The library's signature takes a mutable buffer; it only reads it.
    return m_efiVar.SetVariable(name, &vendor, &attributes, &size, const_cast<BYTE*>(data.data()));
}

HRESULT CLibraryVariables::ExportDatabase(std::vector<BYTE>& data)
{
    return m_efiVar.ReadExportDatabase(data);
}
