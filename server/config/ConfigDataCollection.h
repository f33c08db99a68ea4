// CConfigDataCollection (Server.ConfigDataCollection.1): the items of a group.
#pragma once

#include "SystemCollection.h"

using CConfigDataCollection = CSystemCollection<IConfigData, IConfigDataCollection>;
