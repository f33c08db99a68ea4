// The commands of fwsim. Each takes its arguments (after the command name) and returns the
// process exit code: 0 success, 1 the operation failed, 2 the command line was wrong.
#pragma once

#include <string>
#include <vector>

namespace fwsim {

using Arguments = std::vector<std::wstring>;

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int RunCommand(const std::wstring& command, const Arguments& arguments);
// fwsim sequence (FwSimSequence.cpp).
int ShowSequence(const Arguments& arguments);
void PrintUsage();

// Output as UTF-8; the store's names are UTF-16.
void Print(const std::wstring& text);
void PrintError(const std::wstring& text);

} // namespace fwsim
