#include "HistoryRecord.h"

#include "JsonReader.h"
#include "JsonText.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace history {

namespace {

std::string Quoted(std::string_view text)
{
    return JsonString(ValidUtf8(text));
}

std::string QuotedList(const std::vector<std::string>& texts)
{
    std::string list = "[";
    for (size_t i = 0; i < texts.size(); ++i) {
        list += (i ? "," : "") + Quoted(texts[i]);
    }
    return list + "]";
}

std::string FormatItem(const Item& item)
{
    const std::string_view before = item.secret ? kSecretValue : std::string_view(item.before);
    const std::string_view after = item.secret ? kSecretValue : std::string_view(item.after);
    return "{\"component\":" + std::to_string(item.component) + ",\"key\":" + Quoted(item.key) +
           ",\"name\":" + Quoted(item.name) + ",\"before\":" + Quoted(before) + ",\"after\":" + Quoted(after) +
           ",\"status\":" + Quoted(item.status) + ",\"secret\":" + (item.secret ? "true" : "false") + "}";
}

std::string ResultText(uint32_t result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

// The reading of one member's value into its field.
template <typename Target>
struct Member {
    std::string_view name;
    bool (*read)(json::Reader&, Target&);
};

bool ReadStrings(json::Reader& reader, std::vector<std::string>& texts)
{
    return reader.Array([&] { return reader.String(texts.emplace_back()); });
}

bool ReadResult(json::Reader& reader, uint32_t& result)
{
    std::string text;
    if (!reader.String(text) || text.size() != 10 || text[0] != '0' || text[1] != 'x') {
        return false;
    }
    result = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        const uint32_t digit = c >= '0' && c <= '9' ? c - '0'
                               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : 16;
        if (digit > 15) {
            return false;
        }
        result = result << 4 | digit;
    }
    return true;
}

constexpr std::array<Member<Item>, 7> kItemMembers = {{
    {"component", [](json::Reader& r, Item& i) { return r.Integer(i.component); }},
    {"key", [](json::Reader& r, Item& i) { return r.String(i.key); }},
    {"name", [](json::Reader& r, Item& i) { return r.String(i.name); }},
    {"before", [](json::Reader& r, Item& i) { return r.String(i.before); }},
    {"after", [](json::Reader& r, Item& i) { return r.String(i.after); }},
    {"status", [](json::Reader& r, Item& i) { return r.String(i.status); }},
    {"secret", [](json::Reader& r, Item& i) { return r.Boolean(i.secret); }},
}};

bool ReadItem(json::Reader& reader, Item& item);

constexpr std::array<Member<Record>, 12> kRecordMembers = {{
    {"time", [](json::Reader& r, Record& c) { return r.String(c.time); }},
    {"user", [](json::Reader& r, Record& c) { return r.String(c.user); }},
    {"host", [](json::Reader& r, Record& c) { return r.String(c.host); }},
    {"operation", [](json::Reader& r, Record& c) { return r.String(c.operation); }},
    {"components", [](json::Reader& r, Record& c) { return ReadStrings(r, c.components); }},
    {"file", [](json::Reader& r, Record& c) { return r.String(c.file); }},
    {"sha256", [](json::Reader& r, Record& c) { return r.String(c.sha256); }},
    {"result", [](json::Reader& r, Record& c) { return ReadResult(r, c.result); }},
    {"resultName", [](json::Reader& r, Record& c) { return r.String(c.resultName); }},
    {"warnings", [](json::Reader& r, Record& c) { return ReadStrings(r, c.warnings); }},
    {"items", [](json::Reader& r, Record& c) { return r.Array([&] { return ReadItem(r, c.items.emplace_back()); }); }},
    {"refersTo", [](json::Reader& r, Record& c) { return r.String(c.refersTo); }},
}};

// Reads an object whose members are those of `members`, each exactly once; other members
// are skipped.
template <typename Target, size_t Count>
bool ReadObject(json::Reader& reader, const std::array<Member<Target>, Count>& members, Target& target)
{
    std::array<bool, Count> seen{};
    const bool read = reader.Object([&](std::string_view name) {
        for (size_t i = 0; i < Count; ++i) {
            if (members[i].name == name) {
                if (seen[i]) {
                    return false;
                }
                seen[i] = true;
                return members[i].read(reader, target);
            }
        }
        return reader.SkipValue();
    });
    if (!read) {
        return false;
    }
    for (size_t i = 0; i < Count; ++i) {
        if (!seen[i]) {
            return false;
        }
    }
    return true;
}

bool ReadItem(json::Reader& reader, Item& item)
{
    if (!ReadObject(reader, kItemMembers, item)) {
        return false;
    }
    // The writer never writes a secret's values; whatever a line claims, it reads as written.
    if (item.secret) {
        item.before = kSecretValue;
        item.after = kSecretValue;
    }
    return true;
}

} // namespace

std::string ValidUtf8(std::string_view text)
{
    std::string valid;
    valid.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = json::Utf8SequenceLength(text, at);
        if (length == 0) {
            valid += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        valid.append(text.substr(at, length));
        at += length;
    }
    return valid;
}

std::string FormatRecord(const Record& record)
{
    std::string items = "[";
    for (size_t i = 0; i < record.items.size(); ++i) {
        items += (i ? "," : "") + FormatItem(record.items[i]);
    }
    items += "]";
    return "{\"time\":" + Quoted(record.time) + ",\"user\":" + Quoted(record.user) + ",\"host\":" +
           Quoted(record.host) + ",\"operation\":" + Quoted(record.operation) + ",\"components\":" +
           QuotedList(record.components) + ",\"file\":" + Quoted(record.file) + ",\"sha256\":" +
           Quoted(record.sha256) + ",\"result\":\"" + ResultText(record.result) + "\",\"resultName\":" +
           Quoted(record.resultName) + ",\"warnings\":" + QuotedList(record.warnings) + ",\"items\":" + items +
           ",\"refersTo\":" + Quoted(record.refersTo) + "}\n";
}

bool ParseRecord(std::string_view line, Record& record)
{
    json::Reader reader(line);
    Record parsed;
    if (!ReadObject(reader, kRecordMembers, parsed) || !reader.AtEnd()) {
        return false;
    }
    record = std::move(parsed);
    return true;
}

ParsedHistory ParseHistory(std::string_view text)
{
    ParsedHistory history;
    size_t number = 0;
    for (size_t begin = 0; begin < text.size();) {
        const size_t end = std::min(text.find('\n', begin), text.size());
        std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        Record record;
        if (ParseRecord(line, record)) {
            history.records.push_back(std::move(record));
        } else {
            history.damagedLines.push_back(number);
        }
    }
    return history;
}

} // namespace history
