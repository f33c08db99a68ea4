// The exit codes of the command-line tools, shared so that scripts can rely on them.
#pragma once

namespace cli {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
// The restart did not apply what was armed.
constexpr int EXIT_NOT_APPLIED = 3;
// Success that takes effect at the next restart (ERROR_SUCCESS_REBOOT_REQUIRED).
constexpr int EXIT_RESTART_NEEDED = 3010;

} // namespace cli
