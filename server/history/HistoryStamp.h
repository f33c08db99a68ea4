// What a record says of the process that made it (who, with which program, when), the digest
// of the file it used, and the text conversions between the server's wide strings and the
// history's UTF-8.
#pragma once

#include "history/HistoryRecord.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace history {

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

// The time now, UTC, as a record gives it: "2026-12-09T18:50:24Z".
std::string UtcNow();

// Fills in the record's time (now), user (GetUserNameW) and host (this process's program).
void Stamp(Record& record);

// The SHA-256 of the file's bytes as 64 lower-case hex digits, read in chunks; errors are
// HRESULT_FROM_WIN32 of the failing call.
HRESULT FileSha256(const std::wstring& path, std::string& hex);

// The full path of `path` (GetFullPathNameW), or `path` itself when that fails.
std::wstring FullPath(const std::wstring& path);

// Stamps the record and appends it to HistoryPath().
HRESULT AppendStamped(Record record);

} // namespace history
