// IDispatch of the engine's classes, from the type library WeaveEngineLib 1.0 inside
// Quillon.dll.
#pragma once

#include "DispatchImpl.h"

#include <WeaveEngine.h>

template <typename I, typename... Bases>
using WeaveDispatch = DispatchOf<LIBID_WeaveEngineLib, 1, 0, I, Bases...>;
