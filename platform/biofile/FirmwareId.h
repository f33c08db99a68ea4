// Firmware IDs as the image stores them: ASCII text of 1 to 32 printable characters. The
// usual form is FFFFFFFF.XXX.VVVV.YYYY.MMDD.HHMM (family, field, version, date, time).
#pragma once

#include <string_view>

namespace biofile {

// What an image may carry; the engine refuses anything else.
bool IsValidFirmwareId(std::string_view id);
// The full 32-character form with its dots and digit fields (the values are not checked, so
// a month 13 still has the layout).
bool HasFirmwareIdLayout(std::string_view id);

} // namespace biofile
