#include "Arguments.h"

#include <algorithm>

namespace cli {

namespace {

bool Listed(const std::vector<const wchar_t*>& names, const std::wstring& argument)
{
    return std::any_of(names.begin(), names.end(), [&](const wchar_t* name) { return argument == name; });
}

} // namespace

bool CommandLine::Has(const std::wstring& flag) const
{
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

const std::wstring* CommandLine::Option(const std::wstring& name) const
{
    auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second.back();
}

std::vector<std::wstring> CommandLine::Values(const std::wstring& name) const
{
    auto it = options.find(name);
    return it == options.end() ? std::vector<std::wstring>{} : it->second;
}

std::optional<CommandLine> Split(const Arguments& arguments, const ArgumentRules& rules, std::wstring& problem)
{
    CommandLine line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.rfind(L"--", 0) != 0) {
            line.positional.push_back(argument);
        } else if (Listed(rules.flags, argument)) {
            line.flags.push_back(argument);
        } else if (!Listed(rules.withValue, argument) && !Listed(rules.repeatable, argument)) {
            problem = L"unknown option " + argument;
            return std::nullopt;
        } else if (i + 1 >= arguments.size()) {
            problem = argument + L" needs a value";
            return std::nullopt;
        } else if (line.options.count(argument) && !Listed(rules.repeatable, argument)) {
            problem = argument + L" is given twice";
            return std::nullopt;
        } else {
            line.options[argument].push_back(arguments[++i]);
        }
    }
    return line;
}

} // namespace cli
