// CConfigGroupCollection (Server.ConfigGroupCollection.1): the child groups of a group.
#pragma once

#include "SystemCollection.h"

using CConfigGroupCollection = CSystemCollection<IConfigGroup, IConfigGroupCollection>;
