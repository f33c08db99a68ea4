// Error-flow macros that read as sentences. Exceptions never cross a COM boundary: a COM
// method body ends in CATCH_RETURN().
#pragma once

#include <windows.h>

#include <new>

#define RETURN_IF_FAILED(expression)                                                                                  \
    do {                                                                                                              \
        const HRESULT hr_ = (expression);                                                                             \
        if (FAILED(hr_)) {                                                                                            \
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
