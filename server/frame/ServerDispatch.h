// IDispatch of the server's classes, from the type library ServerLib 1.0.
#pragma once

#include "DispatchImpl.h"

#include <ServerLib.h>

template <typename I, typename... Bases>
using ServerDispatch = DispatchOf<LIBID_ServerLib, 1, 0, I, Bases...>;
