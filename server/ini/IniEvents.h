// The events an INI load fires to tell the client about its file. A missing section, a
// missing value and a value that cannot be used are warnings: they also raise the warning
// flag, so that the load answers with the warnings result.
#pragma once

#include <string>

namespace IniEvents {

void MissingValue(const std::wstring& section, const std::wstring& keyword);
void MissingSection(const std::wstring& section);
void InvalidValue(const std::wstring& section, const std::wstring& keyword, const std::wstring& value);
void InvalidChecksum(const std::wstring& section, const std::wstring& checksumKeyword);
void MinorVersion();
void TokenVersionTooEarly(const std::wstring& version);
void DuplicateToken(const std::wstring& section);
void DuplicateTokenInIni(const std::wstring& section);
void InvalidUQIToken(const std::wstring& section);
// A value whose line was longer than a line can be read: `before` is the line's whole
// value, `after` what was read.
void TruncatedValue(const std::wstring& section, const std::wstring& keyword, const std::wstring& before,
                    const std::wstring& after);

} // namespace IniEvents
