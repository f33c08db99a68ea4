#include "SystemBuilder.h"

#include "FirmwareAccess.h"
#include "HiiConvert.h"
#include "SetupDatabase.h"
#include "VariableCatalogue.h"

#include "config/BIOSImage.h"
#include "config/ConfigGroup.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <string>

namespace {

constexpr wchar_t kSetup[] = L"Setup";
constexpr wchar_t kSystemPassword[] = L"SystemPassword";
constexpr char kOverwriteOK[] = "Overwrite OK.";
constexpr char kPasswordsExist[] = "Cannot overwrite existing passwords.";
constexpr char kMeAdminPasswordExists[] =
    "Cannot install password.\nTarget system already has an Vestra(R) ME admin password.";

bool SameVariable(const PasswordEntry& entry, const std::wstring& name, const GUID& guid)
{
    return entry.variableName == name && IsEqualGUID(entry.variableGuid, guid);
}

// `fill` everywhere, `over` across the bytes of the variable's password entries.
std::vector<uint8_t> PasswordMask(size_t size, uint8_t fill, uint8_t over, const std::vector<PasswordEntry>& entries,
                                  const std::wstring& name, const GUID& guid)
{
    std::vector<uint8_t> mask(size, fill);
    for (const PasswordEntry& entry : entries) {
        if (!SameVariable(entry, name, guid)) {
            continue;
        }
        for (size_t i = entry.offset; i < size && i < size_t{entry.offset} + entry.width; ++i) {
            mask[i] = over;
        }
    }
    return mask;
}

HRESULT AddImage(CConfigGroup& group, const std::wstring& name, const GUID& guid, const std::vector<BYTE>& data,
                 const std::vector<uint8_t>& mask, bool writable, const char* status)
{
    ComPtr<CBIOSImage> image;
    HRESULT hr = CBIOSImage::Make(image);
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::CreateImageData", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"QueryInterface failed: hr=%x", static_cast<unsigned>(hr));
    }
    RETURN_IF_FAILED(image->SetName(MSG_BIOS_IMAGE));
    RETURN_IF_FAILED(image->SetImage(static_cast<unsigned>(data.size()), data.data(), mask.data()));
    image->SetVariableName(name);
    image->SetVendorGuid(guid);
    image->SetWriteFlag(writable ? 1 : 0);
    // Kept with its terminator, as the status text of a file's image is.
    const std::string text(status);
    RETURN_IF_FAILED(image->SetPasswordError(static_cast<unsigned>(text.size() + 1), text.c_str()));
    return group.AddChildData(image.Get());
}

} // namespace

HRESULT CBIOSImageSystemBuilder::CheckForPasswordVariables(bool& present)
{
    const std::vector<BYTE>* data = nullptr;
    const HRESULT hr = m_collector.GetVariableData(VendorGuid::Setup, kSystemPassword, &data);
    present = SUCCEEDED(hr);
    if (FAILED(hr) && hr != ResultCode::E_VARIABLE_NOT_FOUND) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::CheckForPasswordVariables", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"SystemPassword variable not found.");
    }
    return S_OK;
}

HRESULT CBIOSImageSystemBuilder::GetPasswordsFromDatabase()
try {
    std::vector<BYTE> database;
    CFirmwareAccess access;
    if (FAILED(access->ExportDatabase(database))) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::GetHIIDatabase", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Error retrieving HII database");
    }
    SetupDatabaseReader reader(database);
    std::vector<SetupDatabaseReader::PasswordQuestion> questions;
    if (!reader.FindPasswords(u"SystemPassword", ToFirmwareGuid(VendorGuid::Setup), questions)) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::GetPasswordsFromDatabase", LOG_ERROR,
                              ResultCode::E_HII_DATA_INVALID, Describe(MSG_INTERNAL_ERROR),
                              L"The setup database is damaged at offset 0x%zX: %ls", reader.Problem().offset,
                              ToWide(reader.Problem().what).c_str());
    }
    for (const auto& question : questions) {
        m_passwords.push_back({question.offset, question.width, kSystemPassword, VendorGuid::Setup});
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSImageSystemBuilder::CreateImageData(CConfigGroup& group, const std::wstring& name, const GUID& guid)
try {
    const std::vector<BYTE>* data = nullptr;
    const HRESULT hr = m_collector.GetVariableData(guid, name, &data);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::CreateImageData", LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Could not find %ls variable.", name.c_str());
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::CreateImageData", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Error retrieving %ls variable.", name.c_str());
    }
    return AddImage(group, name, guid, *data, PasswordMask(data->size(), 0xFF, 0x00, m_passwords, name, guid), true,
                    kOverwriteOK);
}
CATCH_RETURN()

HRESULT CBIOSImageSystemBuilder::CreatePasswordData(CConfigGroup& group)
try {
    std::vector<const PasswordEntry*> variables;
    for (const PasswordEntry& entry : m_passwords) {
        bool seen = false;
        for (const PasswordEntry* variable : variables) {
            seen = seen || SameVariable(*variable, entry.variableName, entry.variableGuid);
        }
        if (!seen) {
            variables.push_back(&entry);
        }
    }
    for (const PasswordEntry* variable : variables) {
        const std::vector<BYTE>* data = nullptr;
        const HRESULT hr = m_collector.GetVariableData(variable->variableGuid, variable->variableName, &data);
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CBIOSImageSystemBuilder::CreatePasswordData", LOG_ERROR, E_FAIL,
                                  Describe(MSG_INTERNAL_ERROR), L"Password variable not found.");
        }
        const bool meAdmin = IsEqualGUID(variable->variableGuid, VendorGuid::MeAdminPassword);
        RETURN_IF_FAILED(AddImage(group, variable->variableName, variable->variableGuid, *data,
                                  PasswordMask(data->size(), 0x00, 0xFF, m_passwords, variable->variableName,
                                               variable->variableGuid),
                                  false, meAdmin ? kMeAdminPasswordExists : kPasswordsExist));
    }
    return S_OK;
}
CATCH_RETURN()

HRESULT CBIOSImageSystemBuilder::CreateConfigurationTree(IConfigGroup** out)
try {
    if (!out) {
        return REPORT_FAILURE(L"CBIOSImageSystemBuilder::CreateConfigurationTree", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Invalid pCoConfigGroup.");
    }
    ComPtr<CConfigGroup> group;
    RETURN_IF_FAILED(CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), EConfigGroup_BIOSImage, MSG_BIOS_IMAGE));
    RETURN_IF_FAILED(group.CopyTo(out));
    bool passwords = false;
    RETURN_IF_FAILED(CheckForPasswordVariables(passwords));
    if (passwords) {
        RETURN_IF_FAILED(GetPasswordsFromDatabase());
    }
    RETURN_IF_FAILED(CreateImageData(*group.Get(), kSetup, VendorGuid::Setup));
    return CreatePasswordData(*group.Get());
}
CATCH_RETURN()
