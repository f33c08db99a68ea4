// Result codes of the server: its own failures (0x8239xxxx) and successes (0x0239xxxx).
#pragma once

#include "HResult.h"

namespace ResultCode {

constexpr HRESULT Make(bool failure, unsigned code)
{
    return static_cast<HRESULT>((failure ? 0x82390000u : 0x02390000u) | (code & 0xFFFFu));
}

// Failures.
constexpr HRESULT E_SETTING_UNUSABLE = Make(true, 0x01);        // absent or unusable file or setting
constexpr HRESULT E_LOG_NOT_OPEN = Make(true, 0x04);            // diagnostics log file not open
constexpr HRESULT E_NO_CONFIGURATION = Make(true, 0x05);        // no configuration loaded (message 180)
constexpr HRESULT E_INVALID_FILE_NAME = Make(true, 0x06);       // invalid or empty file name, file not found
constexpr HRESULT E_NO_COOLING_HARDWARE = Make(true, 0x07);     // cooling settings for a board without the chip
constexpr HRESULT E_MESSAGE_LIBRARY = Make(true, 0x08);         // message library cannot be loaded
constexpr HRESULT E_MESSAGE_NOT_FOUND = Make(true, 0x09);       // message identifier without a string
constexpr HRESULT E_EFIVAR_DLL_NOT_LOADED = Make(true, 0x0B);   // companion library not loaded (message 144)
constexpr HRESULT E_EFIVAR_DEVICE_ERROR = Make(true, 0x0C);     // hardware failure saving a variable (156)
constexpr HRESULT E_EFIVAR_OUT_OF_STORAGE = Make(true, 0x0D);   // variable store full, splash too big
constexpr HRESULT E_EFIVAR_DRIVER = Make(true, 0x0E);           // driver missing or unreachable (148)
constexpr HRESULT E_EFIVAR_UNSUPPORTED_OS = Make(true, 0x0F);   // library unsupported on this OS (146)
constexpr HRESULT E_OUT_OF_BOUNDS = Make(true, 0x11);           // value out of bounds or matches no choice
constexpr HRESULT E_WRONG_TYPE = Make(true, 0x12);              // item of the wrong type for the request
constexpr HRESULT E_ALREADY_IN_COLLECTION = Make(true, 0x13);   // item already in the collection
constexpr HRESULT E_INVALID_INI_DIRECTORY = Make(true, 0x15);   // invalid INI directory (message 176)
constexpr HRESULT E_FILE_CREATE = Make(true, 0x16);             // a file could not be created or opened
constexpr HRESULT E_FILE_CLOSE = Make(true, 0x17);              // a file handle could not be closed
constexpr HRESULT E_FILE_OPEN = Make(true, 0x18);               // a file could not be opened
constexpr HRESULT E_BUFFERTOOSMALL = Make(true, 0x19);          // buffer too small; variable present/removed
constexpr HRESULT E_VARIABLE_NOT_FOUND = Make(true, 0x1B);      // variable or setup entry not found
constexpr HRESULT E_EFIVAR_UNKNOWN_RESULT = Make(true, 0x1C);   // unknown result of the variable library
constexpr HRESULT E_EFIVAR_UNKNOWN = Make(true, 0x1D);          // variable operation failed, unknown error
constexpr HRESULT E_QUERY_INTERFACE = Make(true, 0x1E);         // an interface query failed
constexpr HRESULT E_NO_SPLASH_MODULE = Make(true, 0x1F);        // the image has no splash module
constexpr HRESULT E_INI_READ = Make(true, 0x20);                // reading an INI file failed
constexpr HRESULT E_SPLASH_NOT_PASSED = Make(true, 0x21);       // splash could not be passed to the editor
constexpr HRESULT E_VARIABLE_SIZE = Make(true, 0x22);           // unexpected variable size or version
constexpr HRESULT E_INI_VERSION = Make(true, 0x23);             // INI version not supported (message 225)
constexpr HRESULT E_MONITOR_CHIPS = Make(true, 0x24);           // more than one monitor chip found
constexpr HRESULT E_PAYLOAD_INSTALL = Make(true, 0x25);         // payload manager reported failure
constexpr HRESULT E_NO_PAYLOAD = Make(true, 0x26);              // no payload file given (message 190)
constexpr HRESULT E_PAYLOAD_SEARCH = Make(true, 0x27);          // payload file could not be looked for
constexpr HRESULT E_PAYLOAD_SYSTEM = Make(true, 0x28);          // system not valid for the payload
constexpr HRESULT E_PAYLOAD_UNKNOWN = Make(true, 0x29);         // no payload handler takes the file
constexpr HRESULT E_PAYLOAD_SIZE = Make(true, 0x2A);            // payload too small or size mismatch
constexpr HRESULT E_ALREADY_LOADED = Make(true, 0x2D);          // configuration already loaded (224)
constexpr HRESULT E_HII_DATA_INVALID = Make(true, 0x2E);        // setup database invalid or unreachable
constexpr HRESULT E_LOCK_HIDE = Make(true, 0x2F);               // setting cannot be locked or hidden
constexpr HRESULT E_NO_TOKEN_HEADERS = Make(true, 0x30);        // no token headers in the INI (255)
constexpr HRESULT E_DUPLICATE_TOKEN_SECTION = Make(true, 0x31); // a token section occurs twice in an INI
constexpr HRESULT E_BADGE_BEFORE_SPLASH = Make(true, 0x32);     // badge set before a splash
constexpr HRESULT E_NOT_VARIANT_COLLECTION = Make(true, 0x34);  // not a variant collection / wrong type

// Successes.
constexpr HRESULT S_EFIVAR_DRIVER_NOT_UNINSTALLED = Make(false, 0x01);
constexpr HRESULT S_INI_NO_KEYWORD = Make(false, 0x04);
constexpr HRESULT S_INI_NO_SECTION = Make(false, 0x05);
constexpr HRESULT S_INI_NOT_NUMBER = Make(false, 0x06);
constexpr HRESULT S_PAYLOAD_ALREADY_PRESENT = Make(false, 0x07);
constexpr HRESULT S_INI_EMPTY_VALUE = Make(false, 0x09);
constexpr HRESULT S_INI_NO_PROMPT = Make(false, 0x0A);
constexpr HRESULT S_NO_VARIABLES = Make(false, 0x0E);
constexpr HRESULT S_NOT_FOUND = Make(false, 0x0F);
constexpr HRESULT S_WARNINGS = Make(false, 0x11);
constexpr HRESULT S_INI_ALREADY_READ = Make(false, 0x12);
constexpr HRESULT S_PAYLOAD_REPLACED = Make(false, 0x13);
constexpr HRESULT S_NOTHING_TO_DO = Make(false, 0x14);
constexpr HRESULT S_PAYLOAD_NEWER = Make(false, 0x15);
constexpr HRESULT S_NO_COOLING_HARDWARE = Make(false, 0x16);

} // namespace ResultCode
