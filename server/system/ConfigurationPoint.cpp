#include "ConfigurationPoint.h"

#include "ProcessState.h"

namespace ConfigurationPoint {

void Set(ULONG uqi, const USHORT* values, USHORT count)
{
    ConfigurationPointToken token;
    token.uqi = uqi;
    if (values) {
        token.values.assign(values, values + count);
    }
    ProcessState& state = ProcessState::Instance();
    state.configurationPoint = std::move(token);
    state.componentsOnly = true;
}

void Clear() { ProcessState::Instance().configurationPoint.reset(); }

const std::optional<ConfigurationPointToken>& Token() { return ProcessState::Instance().configurationPoint; }

bool ComponentsOnly() { return ProcessState::Instance().componentsOnly; }

} // namespace ConfigurationPoint
