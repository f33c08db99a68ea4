#include "FlashOutcome.h"

#include "Owners.h"

#include "history/HistoryFile.h"
#include "history/HistoryStamp.h"

#include <optional>
#include <string>

namespace pellam {

namespace {

const history::Item* FindItem(const history::Record& record, const char* key)
{
    for (const history::Item& item : record.items) {
        if (item.key == key) {
            return &item;
        }
    }
    return nullptr;
}

// The last flash of the history, when no "flash applied" record answers it yet.
std::optional<history::Record> PendingFlash()
{
    std::optional<history::Record> last = history::LastRecordOf(history::HistoryPath(), {"flash", "flash applied"});
    if (last && last->operation == "flash" && FindItem(*last, "BIOS ID")) {
        return last;
    }
    return std::nullopt;
}

struct BoardNow {
    std::string runningId;
    bool lastUpdateSucceeded = false;
};

std::optional<BoardNow> ReadBoard(PellamRun& run)
{
    ComPtr<IBiosCapsule> capsule;
    UniqueBstr runningId;
    VARIANT_BOOL successful = VARIANT_FALSE;
    if (FAILED(run.Toolkit()->get_BiosCapsule(&capsule)) || FAILED(capsule->GetBiosIdFromVariable(runningId.put())) ||
        FAILED(capsule->IsFlashSuccessful(EFlashVerification_Low, &successful))) {
        ::SetErrorInfo(0, nullptr);
        return std::nullopt;
    }
    return BoardNow{history::Utf8(runningId.c_str()), successful != VARIANT_FALSE};
}

// Applied when the board runs the image's ID (and that is a new one); not applied when the
// library's last status has moved since the arming while the ID stayed: the restart handled
// the capsule without flashing it. Otherwise the restart has not come yet, or cannot be told.
std::optional<bool> Outcome(const history::Record& flash, const BoardNow& board)
{
    const history::Item& ids = *FindItem(flash, "BIOS ID");
    if (board.runningId == ids.after && ids.after != ids.before) {
        return true;
    }
    const history::Item* status = FindItem(flash, "capsule status");
    if (!status || board.runningId != ids.before) {
        return std::nullopt;
    }
    const bool succeededBefore = status->before == "0";
    if (succeededBefore != board.lastUpdateSucceeded) {
        return false;
    }
    return std::nullopt;
}

} // namespace

bool HasPendingFlash()
{
    return PendingFlash().has_value();
}

void RecordFlashOutcome(PellamRun& run)
{
    const std::optional<history::Record> flash = PendingFlash();
    if (!flash) {
        return;
    }
    const std::optional<BoardNow> board = ReadBoard(run);
    const std::optional<bool> applied = board ? Outcome(*flash, *board) : std::nullopt;
    if (!applied) {
        return;
    }
    const history::Item& ids = *FindItem(*flash, "BIOS ID");
    history::Record record;
    record.operation = "flash applied";
    record.file = flash->file;
    record.sha256 = flash->sha256;
    record.result = *applied ? S_OK : S_FALSE;
    record.resultName = *applied ? "S_OK" : "S_FALSE";
    record.refersTo = flash->time;
    history::Item item;
    item.key = "BIOS ID";
    item.name = "BIOS ID";
    item.before = ids.before;
    item.after = board->runningId;
    item.status = *applied ? "applied" : "not applied";
    record.items.push_back(std::move(item));
    if (FAILED(history::AppendStamped(std::move(record)))) {
        run.Warn(L"the outcome of the last flash was not written to the history of changes");
        return;
    }
    run.Say(*applied ? L"history: the flash of " + history::Wide(flash->time) + L" was applied"
                     : L"history: the flash of " + history::Wide(flash->time) + L" was not applied");
}

} // namespace pellam
