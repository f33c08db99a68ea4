#include "HistoryCommand.h"

#include "FlashOutcome.h"

#include "PellamRun.h"
#include "PellamShared.h"

#include "ExitCodes.h"
#include "JsonText.h"

#include "history/HistoryFile.h"
#include "history/HistoryStamp.h"

#include <cwctype>

namespace pellam {

namespace {

using history::Wide;

bool DigitsAt(const std::wstring& text, std::initializer_list<size_t> positions)
{
    for (size_t at : positions) {
        if (at >= text.size() || !iswdigit(text[at])) {
            return false;
        }
    }
    return true;
}

std::wstring Joined(const std::vector<std::string>& texts, const wchar_t* separator)
{
    std::wstring joined;
    for (const std::string& text : texts) {
        joined += (joined.empty() ? L"" : separator) + Wide(text);
    }
    return joined;
}

std::wstring ItemLine(const history::Item& item)
{
    const std::wstring head = L"  " + Wide(item.key) + L" \"" + Wide(item.name) + L"\": ";
    if (item.secret) {
        return head + L"changed";
    }
    return head + Wide(item.before) + L" -> " + Wide(item.after);
}

void ShowRecord(PellamRun& run, const history::Record& record)
{
    const std::wstring none = L"-";
    run.Say(Wide(record.time) + L"  " + Wide(record.operation));
    run.Say(L"  user:       " + Wide(record.user));
    run.Say(L"  host:       " + Wide(record.host));
    run.Say(L"  components: " + (record.components.empty() ? none : Joined(record.components, L", ")));
    run.Say(L"  file:       " + (record.file.empty() ? none : Wide(record.file) + L" (sha256 " + Wide(record.sha256) + L")"));
    run.Say(L"  result:     " + ResultText(static_cast<HRESULT>(record.result)) +
            (record.resultName.empty() ? L"" : L" " + Wide(record.resultName)));
    run.Say(L"  warnings:   " + (record.warnings.empty() ? none : Joined(record.warnings, L"; ")));
    for (const history::Item& item : record.items) {
        run.Say(ItemLine(item));
    }
    run.Say(L"");
}

// The records as the file holds them, one JSON object each.
std::wstring RecordsJson(const std::vector<const history::Record*>& records)
{
    std::wstring json = L"[";
    for (const history::Record* record : records) {
        std::string line = history::FormatRecord(*record);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        json += (json.size() > 1 ? L"," : L"") + Wide(line);
    }
    return json + L"]";
}

} // namespace

std::optional<std::string> SinceTime(const std::wstring& date)
{
    const bool day = date.size() >= 10 && DigitsAt(date, {0, 1, 2, 3, 5, 6, 8, 9}) && date[4] == L'-' && date[7] == L'-';
    if (day && date.size() == 10) {
        return history::Utf8(date) + "T00:00:00Z";
    }
    if (day && date.size() == 20 && date[10] == L'T' && DigitsAt(date, {11, 12, 14, 15, 17, 18}) &&
        date[13] == L':' && date[16] == L':' && date[19] == L'Z') {
        return history::Utf8(date);
    }
    return std::nullopt;
}

int History(const cli::Arguments& arguments)
{
    std::wstring problem;
    auto command = SplitCommand(arguments, {L"--since"}, {}, problem);
    if (!command) {
        return UsageError(problem);
    }
    if (!command->line.positional.empty()) {
        return UsageError(L"history takes no file: it reads the machine's history (PELLAM_HISTORY names another)");
    }
    std::optional<std::string> since;
    if (const std::wstring* date = command->line.Option(L"--since")) {
        since = SinceTime(*date);
        if (!since) {
            return UsageError(L"--since takes a date YYYY-MM-DD or a time YYYY-MM-DDThh:mm:ssZ (UTC), not \"" + *date + L"\"");
        }
    }
    if (HasPendingFlash()) {
        // The outcome of a flash that the board now shows goes in first, so that the history
        // read tells it. Reading the history does not need the server otherwise, and does
        // not fail when it cannot be had.
        PellamRun probe(L"history", command->options);
        probe.Open();
    }
    PellamRun run(L"history", command->options);
    const std::wstring path = history::HistoryPath();
    if (path.empty()) {
        return run.Fail(L"the history's place is unknown (no ProgramData folder and no PELLAM_HISTORY)", cli::EXIT_FAILED);
    }
    history::ParsedHistory parsed;
    if (const HRESULT hr = history::ReadHistory(path, parsed); FAILED(hr)) {
        return run.Fail(L"reading " + path + L" failed (" + ResultText(hr) + L")", cli::EXIT_FAILED);
    }
    for (size_t i = 0; i < parsed.damagedLines.size(); ++i) {
        const std::wstring& file = i < parsed.damagedFiles.size() ? parsed.damagedFiles[i] : path;
        run.Warn(L"history: line " + std::to_wstring(parsed.damagedLines[i]) + L" of " + file +
                 L" is damaged; skipped");
    }
    std::vector<const history::Record*> shown;
    for (const history::Record& record : parsed.records) {
        // Record times are fixed-width UTC text, so they compare as strings.
        if (!since || record.time >= *since) {
            shown.push_back(&record);
            ShowRecord(run, record);
        }
    }
    run.AddData(L"file", JsonString(path));
    run.AddData(L"records", RecordsJson(shown));
    return run.Finish(cli::EXIT_OK, L"history: " + std::to_wstring(shown.size()) + L" of " +
                                        std::to_wstring(parsed.records.size()) + L" records" +
                                        (since ? L" since " + Wide(*since) : L"") + L" in " + path);
}

} // namespace pellam
