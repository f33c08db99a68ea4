// The names of the results the server and the Windows calls under it return, as the command
// line prints them and the history of changes keeps them ("E_NO_CONFIGURATION").
#pragma once

#include "frame/ResultCodes.h"

#include <windows.h>

#include <utility>

// The result's name, or an empty string for a code without one.
inline const wchar_t* ResultCodeName(HRESULT hr)
{
    using namespace ResultCode;
#define RESULT_NAME(code) {code, L## #code}
    static const std::pair<HRESULT, const wchar_t*> names[] = {
        RESULT_NAME(S_OK), RESULT_NAME(S_FALSE), RESULT_NAME(E_FAIL), RESULT_NAME(E_NOTIMPL),
        RESULT_NAME(E_POINTER), RESULT_NAME(E_INVALIDARG), RESULT_NAME(E_OUTOFMEMORY), RESULT_NAME(E_NOINTERFACE),
        RESULT_NAME(REGDB_E_CLASSNOTREG), RESULT_NAME(CO_E_CLASSSTRING),
        RESULT_NAME(E_SETTING_UNUSABLE), RESULT_NAME(E_NO_CONFIGURATION), RESULT_NAME(E_INVALID_FILE_NAME),
        RESULT_NAME(E_NO_COOLING_HARDWARE), RESULT_NAME(E_MESSAGE_LIBRARY), RESULT_NAME(E_EFIVAR_DLL_NOT_LOADED),
        RESULT_NAME(E_EFIVAR_DEVICE_ERROR), RESULT_NAME(E_EFIVAR_OUT_OF_STORAGE), RESULT_NAME(E_EFIVAR_DRIVER),
        RESULT_NAME(E_EFIVAR_UNSUPPORTED_OS), RESULT_NAME(E_OUT_OF_BOUNDS), RESULT_NAME(E_WRONG_TYPE),
        RESULT_NAME(E_FILE_CREATE), RESULT_NAME(E_FILE_OPEN), RESULT_NAME(E_VARIABLE_NOT_FOUND),
        RESULT_NAME(E_EFIVAR_UNKNOWN), RESULT_NAME(E_INI_READ), RESULT_NAME(E_VARIABLE_SIZE),
        RESULT_NAME(E_INI_VERSION), RESULT_NAME(E_MONITOR_CHIPS), RESULT_NAME(E_PAYLOAD_INSTALL),
        RESULT_NAME(E_NO_PAYLOAD), RESULT_NAME(E_ALREADY_LOADED), RESULT_NAME(E_HII_DATA_INVALID),
        RESULT_NAME(E_NO_TOKEN_HEADERS), RESULT_NAME(E_DUPLICATE_TOKEN_SECTION),
        RESULT_NAME(S_PAYLOAD_ALREADY_PRESENT), RESULT_NAME(S_NOT_FOUND), RESULT_NAME(S_WARNINGS),
        RESULT_NAME(S_NOTHING_TO_DO), RESULT_NAME(S_NO_COOLING_HARDWARE),
    };
#undef RESULT_NAME
    for (const auto& [code, name] : names) {
        if (code == hr) {
            return name;
        }
    }
    return L"";
}
