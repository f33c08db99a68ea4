// Identifiers of the message-library texts that the capsule classes report.
#pragma once

#include <windows.h>

namespace CapsuleMessage {
constexpr UINT UNKNOWN_ERROR = 130;
constexpr UINT INTERNAL_ERROR = 154;
constexpr UINT INVALID_FILE_NAME = 175;
constexpr UINT REMOVE_FAILED = 181;
constexpr UINT INVALID_BIO_FILE = 215;
constexpr UINT NO_SPLASH_SUPPORT = 216;
constexpr UINT FILE_NOT_FOUND = 217;
constexpr UINT REGISTER_FAILED = 218;
constexpr UINT CORVID_NOT_LOADED = 219;
constexpr UINT SPLASH_NOT_INSTALLED = 221;
constexpr UINT SPLASH_TOO_LARGE = 222;
constexpr UINT UNEXPECTED_FAILURE = 223;
constexpr UINT RETRIEVE_FAILED = 236;
constexpr UINT ID_MISMATCH = 238;
constexpr UINT NO_BIOS_ID = 240;
constexpr UINT READ_FILE_FAILED = 258;
constexpr UINT READ_BIO_FAILED = 259;
constexpr UINT READ_SPLASH_FAILED = 260;
} // namespace CapsuleMessage
