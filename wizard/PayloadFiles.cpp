#include "PayloadFiles.h"

#include "Owners.h"
#include "Resource.h"

namespace {

constexpr CarriedFile kCarriedFiles[] = {
    {IDR_LICENSE_RTF, L"license.rtf"},   {IDR_QRVEFIVAR_DLL, L"qrvefivar.dll"},
    {IDR_EFICORVID_DLL, L"EfiCorvid.dll"}, {IDR_CORVID_SYS, L"Corvid.sys"},
    {IDR_CORVID64_SYS, L"corvid64.sys"}, {IDR_PELLAMW_DLL, L"PellamW.dll"},
    {IDR_PELLAMWRES_DLL, L"PellamWRes.dll"}, {IDR_QUILLON_DLL, L"Quillon.dll"},
    {IDR_QRVVAR_SYS, L"qrvvar.sys"},     {IDR_QRVVAR64_SYS, L"qrvvar64.sys"},
    {IDR_BIOS_IMAGE, L"bios.bio"},       {IDR_README_RTF, L"Readme.rtf"},
};

constexpr UINT kDropOrder[] = {
    IDR_QRVEFIVAR_DLL, IDR_EFICORVID_DLL, IDR_CORVID_SYS,   IDR_CORVID64_SYS, IDR_PELLAMW_DLL,
    IDR_PELLAMWRES_DLL, IDR_QUILLON_DLL,  IDR_QRVVAR_SYS,   IDR_QRVVAR64_SYS,
};

const wchar_t* CarriedFileName(UINT id)
{
    for (const CarriedFile& file : kCarriedFiles) {
        if (file.resourceId == id) {
            return file.name;
        }
    }
    return nullptr;
}

// The resource's bytes in the program image; empty when the package lacks it.
std::span<const BYTE> FindRawFile(UINT id)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"RAW_FILE");
    if (!info) {
        return {};
    }
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) {
        return {};
    }
    return {static_cast<const BYTE*>(data), ::SizeofResource(module, info)};
}

} // namespace

DWORD ExtractRawFile(UINT id, const wchar_t* name)
{
    const std::span<const BYTE> bytes = FindRawFile(id);
    UniqueFile file(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return ::GetLastError();
    }
    static const BYTE nothing = 0;
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file.get(), bytes.empty() ? &nothing : bytes.data(),
                                   static_cast<DWORD>(bytes.size()), &written, nullptr);
    // A short write counts as a failure: a truncated library or image must not be left
    // behind looking whole.
    DWORD error = wrote ? 0 : ::GetLastError();
    if (wrote && written != bytes.size()) {
        error = ERROR_WRITE_FAULT;
    } else if (!wrote && error == 0) {
        error = ERROR_WRITE_FAULT;
    }
    ::SetEndOfFile(file.get());
    file.reset();
    if (error != 0) {
        ::DeleteFileW(name);
    }
    return error;
}

void DropPayloadFiles()
{
    for (UINT id : kDropOrder) {
        ExtractRawFile(id, CarriedFileName(id));
    }
}

std::span<const CarriedFile> CarriedFiles() { return kCarriedFiles; }
