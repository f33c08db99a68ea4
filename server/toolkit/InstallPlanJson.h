// An install plan as the JSON document that in-process clients receive (docs/install-plan.md).
#pragma once

#include "system/InstallPlan.h"

#include <string>

std::wstring InstallPlanJson(const InstallPlan& plan);

// Whether installing the item writes anything: not when it is skipped, nor when its value
// (for an image, its variable's bytes) is what the board holds.
bool PlannedItemChanges(const PlannedItem& item, const InstallPlan& plan);
