#include "ResumeValue.h"

#include "Owners.h"
#include "WizardRules.h"

#include <vector>

namespace {

constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kResumeValueName[] = L"RVN";

} // namespace

std::wstring ProgramPath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        if (buffer.size() >= 32768) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool WriteResumeValue()
{
    const std::optional<std::wstring> command = BuildResumeCommand(ProgramPath());
    if (!command) {
        return false;
    }
    UniqueHkey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return true;
    }
    const DWORD bytes = static_cast<DWORD>((command->size() + 1) * sizeof(wchar_t));
    ::RegSetValueExW(key.get(), kResumeValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()), bytes);
    return true;
}

void DeleteResumeValue()
{
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put()) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueW(key.get(), kResumeValueName);
    }
}
