// The records that the toolkit's changes leave in the history (docs/history.md): what an
// install or a remove did, made from what the operation planned and the events it fired.
// The caller names the operation, the file and the result.
#pragma once

#include "system/InstallPlan.h"

#include "history/HistoryRecord.h"

#include <windows.h>

#include <string>
#include <vector>

namespace change_history {

// The names of the mask's components, in the order of their bits: "bios", "smbios", ...
std::vector<std::string> ComponentNames(ULONG mask);

// The events that warned the client, each as "OnName: argument, argument"; the events that
// only tell how an operation goes are left out.
std::vector<std::string> Warnings(const std::vector<PlannedEvent>& events);

// An install of the mask's components: one item per planned item that changed the firmware,
// its values as the plan gives them; a password's values are never kept.
history::Record InstallRecord(ULONG mask, const InstallPlan& plan);

// A remove of the mask's components: one item per component that was removed.
history::Record RemoveRecord(ULONG mask, const std::vector<PlannedEvent>& events);

// True when the events show that the operation reached the firmware: an install or a remove
// began for a component.
bool ReachedFirmware(const std::vector<PlannedEvent>& events);

} // namespace change_history
