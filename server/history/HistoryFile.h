// The history file on the machine: one line of JSON per record (HistoryRecord.h), appended
// by every change and read back by whoever asks who changed the firmware (docs/history.md).
#pragma once

#include "history/HistoryRecord.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace history {

// When a line would take the file past this size, the file becomes history.1.jsonl (replacing
// an older one) and a new file is begun: at most two files, about twice this.
constexpr uint64_t kHistoryLimit = 32ull * 1024 * 1024;

// The environment variable PELLAM_HISTORY when set (a full file path), else
// %ProgramData%\Pellam\history.jsonl; empty when neither can be had.
std::wstring HistoryPath();

// The older file that `path` becomes at the limit: "history.jsonl" gives "history.1.jsonl".
std::wstring RotatedPath(const std::wstring& path);

// Appends the record's line to the file at `path`, making its folder when missing. The line
// goes in one write, flushed, under a lock held by one writer at a time of every process; a
// file that ends in a line cut short gets a line end first, so that the cut line stays one
// damaged line. Reads nothing of the file but its last byte. Errors are
// HRESULT_FROM_WIN32 of the failing call.
//
// Test hook: when the environment variable PELLAM_HISTORY_TEST_CUT holds a number N, only
// the first N bytes of the line are written and flushed, and the process ends at once with
// exit code 99, as a crash during the write would end it.
HRESULT AppendRecord(const std::wstring& path, const Record& record, uint64_t limit = kHistoryLimit);

// The records of RotatedPath(path), when there is one, then of `path`, in order; a file that
// is not there has none. Damaged lines are numbered within their file, named in damagedFiles.
// The first read that fails ends the reading, with its HRESULT_FROM_WIN32.
HRESULT ReadHistory(const std::wstring& path, ParsedHistory& history);
// The same, with what could be read when a read fails.
ParsedHistory ReadHistory(const std::wstring& path);

// The newest intact record of `path` (then of RotatedPath(path)) whose operation is one of
// `operations`, or none. Only the lines that name such an operation are parsed, so asking
// costs a search through the bytes rather than reading every record: pellam asks at every
// start whether a flash waits for its outcome. A file that cannot be read has none.
std::optional<Record> LastRecordOf(const std::wstring& path, const std::vector<std::string>& operations);

} // namespace history
