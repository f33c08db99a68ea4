# The native build (Linux, the system compiler): the cores that are plain C++ over bytes and
# strings, as static libraries, and one GoogleTest program that runs their parser tests.
#   cmake -S . -B build/native -G Ninja -DTOOLKIT_NATIVE=ON
if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "TOOLKIT_NATIVE is for a configure without a toolchain file")
endif()

add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)

# The fuzz build (scripts/fuzz.sh): the same cores with clang's coverage for libFuzzer and
# the address and undefined-behaviour sanitizers, which end the process at the first report.
#   cmake -S . -B build/fuzz -G Ninja -DTOOLKIT_NATIVE=ON -DTOOLKIT_FUZZ=ON
option(TOOLKIT_FUZZ "Build the fuzz targets (clang, libFuzzer, sanitizers)" OFF)
if(TOOLKIT_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TOOLKIT_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
    endif()
    set(TOOLKIT_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_options(-fsanitize=fuzzer-no-link ${TOOLKIT_SANITIZERS} -g -O1)
    add_link_options(${TOOLKIT_SANITIZERS})
endif()

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
add_subdirectory(tests/scripts)      # the set-up script against stand-in package tools
if(TOOLKIT_FUZZ)
    add_subdirectory(tests/fuzz)
endif()
