# GoogleTest from Debian's sources, built with the cross toolchain, and helpers that turn
# test programs and scripts into CTest tests that run under Wine.
enable_testing()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# toolkit_add_gtest(NAME n SOURCES s... [LIBRARIES l...] [FIXTURES f...] [ENVIRONMENT e...])
# The test runs with the bin folder as its working directory, as the server's users do.
function(toolkit_add_gtest)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBRARIES;FIXTURES;ENVIRONMENT" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    if(ARG_FIXTURES)
        set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED "${ARG_FIXTURES}")
    endif()
    if(ARG_ENVIRONMENT)
        set_tests_properties(${ARG_NAME} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
endfunction()

# toolkit_add_script_test(NAME n SCRIPT file HOST scripthost|cscript [EXPECT text]
#                         [ARGS a...] [FIXTURES f...] [EXIT code])
# Runs a VBScript or JScript file and checks its exit code and, when given, that the output
# holds the expected line. Wine's cscript exits 0 and prints nothing on a script error, so
# with HOST cscript the expected success line is what proves the script ran to its end.
function(toolkit_add_script_test)
    cmake_parse_arguments(ARG "" "NAME;SCRIPT;HOST;EXPECT;EXIT" "ARGS;FIXTURES" ${ARGN})
    if(NOT ARG_EXIT)
        set(ARG_EXIT 0)
    endif()
    toolkit_windows_path(script_windows ${ARG_SCRIPT})
    if(ARG_HOST STREQUAL "cscript")
        set(host cscript.exe //nologo)
    else()
        set(host ${TOOLKIT_BIN_WINDOWS}\\scripthost.exe)
    endif()
    add_test(NAME ${ARG_NAME}
        COMMAND ${CMAKE_SOURCE_DIR}/tests/run-script.sh "${ARG_EXIT}" "${ARG_EXPECT}"
                ${TOOLKIT_WINE_EXEC} ${host} ${script_windows} ${ARG_ARGS}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    # A script client finds the server's companions (message library, substitutes) along the
    # search path, as an installed system does: the server's folder is put on it (under Wine
    # the search path is WINEPATH).
    set_tests_properties(${ARG_NAME} PROPERTIES ENVIRONMENT "WINEPATH=${TOOLKIT_BIN_WINDOWS}")
    if(ARG_FIXTURES)
        set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED "${ARG_FIXTURES}")
    endif()
endfunction()
