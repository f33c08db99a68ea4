// HRESULT and the standard codes for the INI core without the rest of the Windows headers.
#pragma once

#include <windef.h>
#include <winerror.h>

#include "frame/ResultCodes.h"
