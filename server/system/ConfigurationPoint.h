// The configuration-point token: one setup token that a client names before it reads the
// system, so that the read installs the given values into that token at once (and builds
// no items for the tokens). Process-wide, like the toolkit that sets it (ProcessState.h).
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

struct ConfigurationPointToken {
    ULONG uqi = 0;
    std::vector<USHORT> values;
};

namespace ConfigurationPoint {

// Also makes the system builders hand out their component groups without the structural
// groups, for the rest of the process.
void Set(ULONG uqi, const USHORT* values, USHORT count);
// Forgets the token (not the components-only choice).
void Clear();
const std::optional<ConfigurationPointToken>& Token();
bool ComponentsOnly();

} // namespace ConfigurationPoint
