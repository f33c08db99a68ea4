// The commands of biotool: `create` builds a .BIO image, `info` describes one.
#pragma once

#include <string>
#include <vector>

namespace biotool {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

using Arguments = std::vector<std::wstring>;

int RunCommand(const std::wstring& command, const Arguments& arguments);
void PrintUsage();
void PrintError(const std::wstring& message);

} // namespace biotool
