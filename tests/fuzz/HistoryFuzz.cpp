// The history's lines over any bytes: every record the reader takes, written again and read
// back, is the same record, and the line written is one line without raw control characters.
// The input is also cut into the text fields of a record, as the writer is given them (not
// always UTF-8): whatever they hold, the line written reads back, with each field as
// ValidUtf8 makes it.
#include "FuzzTargets.h"

#include "HistoryRecord.h"

#include <string>
#include <string_view>
#include <vector>

namespace history_fuzz {

namespace {

void CheckLine(const std::string& line)
{
    FuzzCheck(!line.empty() && line.back() == '\n', "a record's line does not end with a line end");
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        FuzzCheck(static_cast<unsigned char>(line[i]) >= 0x20, "a record's line holds a raw control character");
    }
}

void RoundTrip(const history::Record& record)
{
    const std::string line = history::FormatRecord(record);
    CheckLine(line);
    const history::ParsedHistory again = history::ParseHistory(line);
    FuzzCheck(again.damagedLines.empty() && again.records.size() == 1, "a written record does not read back");
    FuzzCheck(again.records.front() == record, "a record read, written and read again is not the same");
}

// The input's pieces between 0xFF bytes, as a record's texts, results and flags.
history::Record RecordOfPieces(std::string_view text)
{
    std::vector<std::string> pieces;
    size_t begin = 0;
    for (size_t end; (end = text.find('\xFF', begin)) != std::string_view::npos; begin = end + 1) {
        pieces.emplace_back(text.substr(begin, end - begin));
    }
    pieces.emplace_back(text.substr(begin));
    pieces.resize(12);
    history::Record record{pieces[0], pieces[1], pieces[2], pieces[3], {pieces[4]}, pieces[5], pieces[6],
                           static_cast<uint32_t>(pieces[7].size() * 0x9E3779B9u), pieces[7], {pieces[8]}, {},
                           pieces[9]};
    record.items.push_back({static_cast<int>(pieces[10].size()) - 3, pieces[10], pieces[11], pieces[0], pieces[1],
                            pieces[2], pieces[3].size() % 2 == 1});
    return record;
}

history::Record Sanitised(history::Record record)
{
    for (std::string* text : {&record.time, &record.user, &record.host, &record.operation, &record.file,
                               &record.sha256, &record.resultName, &record.refersTo}) {
        *text = history::ValidUtf8(*text);
    }
    for (std::vector<std::string>* list : {&record.components, &record.warnings}) {
        for (std::string& text : *list) {
            text = history::ValidUtf8(text);
        }
    }
    for (history::Item& item : record.items) {
        for (std::string* text : {&item.key, &item.name, &item.before, &item.after, &item.status}) {
            *text = history::ValidUtf8(*text);
        }
        if (item.secret) {
            item.before = item.after = std::string(history::kSecretValue);
        }
    }
    return record;
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const history::ParsedHistory parsed = history::ParseHistory(text);
    std::string written;
    for (const history::Record& record : parsed.records) {
        RoundTrip(record);
        written += history::FormatRecord(record);
    }
    const history::ParsedHistory again = history::ParseHistory(written);
    FuzzCheck(again.damagedLines.empty() && again.records == parsed.records,
        "the records written together do not read back as they were");

    const history::Record record = RecordOfPieces(text);
    const history::ParsedHistory fromPieces = history::ParseHistory(history::FormatRecord(record));
    FuzzCheck(fromPieces.records.size() == 1 && fromPieces.records.front() == Sanitised(record),
        "a record of any text does not read back as ValidUtf8 makes its texts");
}

} // namespace history_fuzz
