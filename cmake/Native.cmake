# The native build (Linux, the system compiler): the cores that are plain C++ over bytes and
# strings, as static libraries, and one GoogleTest program that runs their parser tests.
#   cmake -S . -B build/native -G Ninja -DTOOLKIT_NATIVE=ON
if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "TOOLKIT_NATIVE is for a configure without a toolchain file")
endif()

add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)

enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

add_subdirectory(common)              # toolkit_portable: the byte reader, the code page's declaration
add_subdirectory(resources/messages)  # message_ids
add_subdirectory(server)              # server_result_codes, ini_core
add_subdirectory(platform/biofile)    # biofile
add_subdirectory(platform/fwstore)    # fwstore_format
add_subdirectory(tests/native)
