// One record of the history of changes: who changed the firmware, when, with what and from
// what, as one line of JSON in the history file (docs/history.md). Plain C++ over UTF-8
// text, without Windows headers: the writer and the reader of the lines, for the server,
// the command line and the native tests and fuzzer alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace history {

// One thing looked at or changed.
struct Item {
    int component = 0;          // the component mask bit (1 BIOS image, 2 SMBIOS, 4 cooling, 8 payload, 16 tokens; 0 none)
    std::string key;            // UQI as four hex digits, SMBIOS INI key, variable name...
    std::string name;           // human name
    std::string before, after;  // values as text
    std::string status;         // "" for a change; "applied", "not applied", "not applicable" for a verification
    bool secret = false;        // a password: before and after are never written (see kSecretValue)

    bool operator==(const Item&) const = default;
};

struct Record {
    std::string time;                     // UTC, "2026-12-09T18:50:24Z"
    std::string user, host;               // user name, host program's full path
    std::string operation;                // "install", "set", "remove", "flash", "verify", "flash applied", ...
    std::vector<std::string> components;  // "bios", "smbios", "cooling", "payload", "tokens"
    std::string file, sha256;             // the file used and its SHA-256 (lower-case hex); may be empty
    uint32_t result = 0;                  // HRESULT
    std::string resultName;
    std::vector<std::string> warnings;
    std::vector<Item> items;
    std::string refersTo;                 // for verify and flash applied: the time of the record it checks

    bool operator==(const Record&) const = default;
};

// What a secret item's line holds in place of both values; the reader gives it back as both.
inline constexpr std::string_view kSecretValue = "changed";

// One line of JSON ending with "\n": every member present, "result" as "0x%08X", control
// characters escaped. Text that is not valid UTF-8 is written with each bad byte replaced by
// U+FFFD, so that every line the writer makes reads back.
std::string FormatRecord(const Record& record);

struct ParsedHistory {
    std::vector<Record> records;
    std::vector<size_t> damagedLines;  // 1-based, in the text parsed
    // ReadHistory only: the file of each damaged line, in the same order as damagedLines.
    std::vector<std::wstring> damagedFiles;
};

// Every line is one record. A line that is not a complete, valid record (cut short, not
// JSON, a member missing or of the wrong type, text that is not UTF-8) is skipped and its
// number noted. Members the reader does not know are ignored: newer writers may add some.
// An empty last line is ignored; CRLF line ends are accepted.
ParsedHistory ParseHistory(std::string_view text);

// One line without its line end; false when it is not a valid record.
bool ParseRecord(std::string_view line, Record& record);

// `text` with every byte that does not belong to a valid UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

} // namespace history
