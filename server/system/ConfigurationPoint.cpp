#include "ConfigurationPoint.h"

namespace {

std::optional<ConfigurationPointToken> s_token;
bool s_componentsOnly = false;

} // namespace

namespace ConfigurationPoint {

void Set(ULONG uqi, const USHORT* values, USHORT count)
{
    ConfigurationPointToken token;
    token.uqi = uqi;
    if (values) {
        token.values.assign(values, values + count);
    }
    s_token = std::move(token);
    s_componentsOnly = true;
}

void Clear() { s_token.reset(); }

const std::optional<ConfigurationPointToken>& Token() { return s_token; }

bool ComponentsOnly() { return s_componentsOnly; }

} // namespace ConfigurationPoint
