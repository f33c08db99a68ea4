// Error-flow macros that read as sentences. Exceptions never cross a COM boundary: a COM
// method body ends in CATCH_RETURN().
#pragma once

#include <windows.h>

#include <new>

// Where a failure passed on by RETURN_IF_FAILED is recorded: the failing expression, the
// function (as the compiler names it), the source file and line. The server records it in its
// diagnostics log; other programs set no hook.
using FailureHook = void (*)(HRESULT hr, const char* expression, const char* function, const char* file, int line);
FailureHook SetFailureHook(FailureHook hook);
void RecordPassedFailure(HRESULT hr, const char* expression, const char* function, const char* file, int line);

#define RETURN_IF_FAILED(expression)                                                                                  \
    do {                                                                                                              \
        const HRESULT hr_ = (expression);                                                                             \
        if (FAILED(hr_)) {                                                                                            \
            RecordPassedFailure(hr_, #expression, __PRETTY_FUNCTION__, __FILE__, __LINE__);                          \
            return hr_;                                                                                               \
        }                                                                                                             \
    } while (0)

#define RETURN_HR_IF(hr, condition)                                                                                   \
    do {                                                                                                              \
        if (condition) {                                                                                              \
            return (hr);                                                                                              \
        }                                                                                                             \
    } while (0)

#define RETURN_IF_NULL_ALLOC(pointer) RETURN_HR_IF(E_OUTOFMEMORY, (pointer) == nullptr)

// Turns a C++ exception that escaped a method body into its HRESULT.
inline HRESULT ResultFromCaughtException() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (HRESULT hr) {
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

#define CATCH_RETURN()                                                                                                \
    catch (...)                                                                                                       \
    {                                                                                                                 \
        return ResultFromCaughtException();                                                                           \
    }
