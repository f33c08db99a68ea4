#include "INIBuilder.h"

#include "IniEvents.h"

#include "config/CoolingSetting.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "system/CoolingValues.h"

#include "ErrorMacros.h"

HRESULT CCoolingINIBuilder::FillSetting(const cooling::SettingDefinition& definition, CCoolingSetting& setting)
try {
    const LogSite site = LOG_SITE(L"CCoolingINIBuilder::FillSetting");
    const std::wstring section = definition.group;
    const std::wstring keyword = definition.keyword;
    std::wstring text;
    const HRESULT read = m_parser.GetProfileStr(section.c_str(), keyword.c_str(), &text, L"");
    if (read == ResultCode::S_INI_NO_SECTION || read == ResultCode::S_INI_NO_KEYWORD || (read == S_OK && text.empty())) {
        // A section is missing once for the file, however many of its values are asked for.
        if (read == ResultCode::S_INI_NO_SECTION && m_missingSections.insert(section).second) {
            IniEvents::MissingSection(section);
        }
        if (read != ResultCode::S_INI_NO_SECTION) {
            IniEvents::MissingValue(section, keyword);
        }
        ReportDiagnostic(site, LOG_WARNING, L"No value for %ls in [%ls]", keyword.c_str(), section.c_str());
        return ResultCode::E_QUERY_INTERFACE;
    }
    RETURN_IF_FAILED(read);
    UniqueVariant value;
    HRESULT hr = ParseCoolingText(definition, text, value) ? setting.put_Value(*value.get()) : ResultCode::E_OUT_OF_BOUNDS;
    if (FAILED(hr)) {
        IniEvents::InvalidValue(section, keyword, text);
        ReportDiagnostic(site, LOG_WARNING, L"The value \"%ls\" of %ls in [%ls] is not one %ls takes", text.c_str(),
                         keyword.c_str(), section.c_str(), definition.name);
        return ResultCode::E_OUT_OF_BOUNDS;
    }
    // The file holds no defaults: the value read stands for both.
    return setting.put_DefaultValue(*value.get());
}
CATCH_RETURN()
