#include "ModuleLock.h"

#include <windows.h>

namespace {
volatile LONG g_lockCount = 0;
}

namespace ModuleLock {
void Increment() { ::InterlockedIncrement(&g_lockCount); }
void Decrement() { ::InterlockedDecrement(&g_lockCount); }
long Count() { return g_lockCount; }
} // namespace ModuleLock
