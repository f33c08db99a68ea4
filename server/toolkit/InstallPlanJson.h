// An install plan as the JSON document that in-process clients receive (docs/install-plan.md).
#pragma once

#include "system/InstallPlan.h"

#include <string>

std::wstring InstallPlanJson(const InstallPlan& plan);
