#include "EventTarget.h"

namespace {

// Process-wide, like the toolkit that registers itself here; used by one thread at a time.
IToolkitEventTarget* s_target = nullptr;

} // namespace

namespace ToolkitEvents {

IToolkitEventTarget* SetTarget(IToolkitEventTarget* target)
{
    IToolkitEventTarget* previous = s_target;
    s_target = target;
    return previous;
}

IToolkitEventTarget* Target() { return s_target; }

void RaiseWarning()
{
    if (s_target) {
        s_target->RaiseWarning();
    }
}

} // namespace ToolkitEvents
