// The module's lock count: every live object and every LockServer(TRUE) holds one; the
// module may unload when it is zero.
#pragma once

namespace ModuleLock {
void Increment();
void Decrement();
long Count();
} // namespace ModuleLock
