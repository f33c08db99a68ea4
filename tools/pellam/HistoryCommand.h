// pellam history: the history of changes (docs/history.md) read back for people, or as the
// document's "records".
#pragma once

#include "Arguments.h"

#include <optional>
#include <string>

namespace pellam {

// history [--since DATE]: every record, oldest first, or those from DATE on.
int History(const cli::Arguments& arguments);

// DATE as a record's time to compare with: "2026-12-09" gives "2026-12-09T00:00:00Z", a
// full UTC time "2026-12-09T18:50:24Z" is taken as it is; null for anything else.
std::optional<std::string> SinceTime(const std::wstring& date);

} // namespace pellam
