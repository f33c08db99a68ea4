#include "IniEvents.h"

#include "config/VariantValues.h"
#include "frame/EventTarget.h"

#include "Owners.h"

namespace IniEvents {

void MissingValue(const std::wstring& section, const std::wstring& keyword)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnINIMissingValue(section.c_str(), keyword.c_str());
    });
    ToolkitEvents::RaiseWarning();
}

void MissingSection(const std::wstring& section)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnINIMissingSection(section.c_str()); });
    ToolkitEvents::RaiseWarning();
}

void InvalidValue(const std::wstring& section, const std::wstring& keyword, const std::wstring& value)
{
    // Without memory for the text the event still tells which value it was.
    UniqueVariant specified;
    TextVariant(value, specified);
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnINIInvalidValue(section.c_str(), keyword.c_str(), *specified.get());
    });
    ToolkitEvents::RaiseWarning();
}

void InvalidChecksum(const std::wstring& section, const std::wstring& checksumKeyword)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnInvalidChecksum(section.c_str(), checksumKeyword.c_str());
    });
}

void MinorVersion()
{
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnINIMinorVer(); });
}

void TokenVersionTooEarly(const std::wstring& version)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnTokenIniVerTooEarly(version.c_str()); });
}

void DuplicateToken(const std::wstring& section)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnDuplicateToken(section.c_str()); });
}

void DuplicateTokenInIni(const std::wstring& section)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnDuplicateTokenInIni(section.c_str()); });
}

void InvalidUQIToken(const std::wstring& section)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnInvalidUQIToken(section.c_str()); });
}

void TruncatedValue(const std::wstring& section, const std::wstring& keyword, const std::wstring& before,
                    const std::wstring& after)
{
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnINITruncatedValue(section.c_str(), keyword.c_str(), before.c_str(), after.c_str());
    });
    ToolkitEvents::RaiseWarning();
}

} // namespace IniEvents
