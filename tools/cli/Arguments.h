// The command lines of the tools: PROGRAM COMMAND [positional...] [--flag] [--option VALUE].
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cli {

using Arguments = std::vector<std::wstring>;

// The arguments after the command, split into positional ones, flags and options.
struct CommandLine {
    Arguments positional;
    std::map<std::wstring, std::vector<std::wstring>> options;
    std::vector<std::wstring> flags;

    bool Has(const std::wstring& flag) const;
    // The option's value (the last one of an option given several times), or null.
    const std::wstring* Option(const std::wstring& name) const;
    // Every value of an option that may be repeated.
    std::vector<std::wstring> Values(const std::wstring& name) const;
};

struct ArgumentRules {
    std::vector<const wchar_t*> withValue;       // options that take a value
    std::vector<const wchar_t*> flags;           // options that take none
    std::vector<const wchar_t*> repeatable = {}; // options with a value that may come again
};

// Null with `problem` set for an unknown option, an option without its value, or one given
// twice that may not be. An argument that begins with "--" is always an option.
std::optional<CommandLine> Split(const Arguments& arguments, const ArgumentRules& rules, std::wstring& problem);

} // namespace cli
