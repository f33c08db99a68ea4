// HRESULT, the standard codes and the server's result codes for the INI core, without the
// rest of the Windows headers.
#pragma once

#include "frame/HResult.h"
#include "frame/ResultCodes.h"
