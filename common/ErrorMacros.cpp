#include "ErrorMacros.h"

namespace {

FailureHook s_hook = nullptr;

} // namespace

FailureHook SetFailureHook(FailureHook hook)
{
    FailureHook previous = s_hook;
    s_hook = hook;
    return previous;
}

void RecordPassedFailure(HRESULT hr, const char* expression, const char* function, const char* file, int line)
{
    if (s_hook) {
        s_hook(hr, expression, function, file, line);
    }
}
