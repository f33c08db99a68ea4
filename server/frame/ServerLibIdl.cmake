# ServerLib.idl → interface header, identifiers and the type library (embedded as TYPELIB 1).
set(SERVERLIB_GENERATED ${CMAKE_BINARY_DIR}/generated/serverlib)
file(MAKE_DIRECTORY ${SERVERLIB_GENERATED})
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(widl_arch --win64)
else()
    set(widl_arch --win32)
endif()
# stdole2.tlb, which the type library imports, comes with Wine.
find_path(STDOLE2_DIR stdole2.tlb
    PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
          /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(serverlib_idl ${CMAKE_CURRENT_LIST_DIR}/ServerLib.idl)
add_custom_command(
    OUTPUT ${SERVERLIB_GENERATED}/ServerLib.h ${SERVERLIB_GENERATED}/ServerLib_i.c ${SERVERLIB_GENERATED}/ServerLib.tlb
    COMMAND widl ${widl_arch} -I/usr/include/wine/wine/windows -L ${STDOLE2_DIR}
            -h -H ServerLib.h -u -U ServerLib_i.c -t -T ServerLib.tlb ${serverlib_idl}
    WORKING_DIRECTORY ${SERVERLIB_GENERATED}
    DEPENDS ${serverlib_idl}
    COMMENT "widl ServerLib.idl"
    VERBATIM)
add_custom_target(serverlib_generated DEPENDS ${SERVERLIB_GENERATED}/ServerLib.h ${SERVERLIB_GENERATED}/ServerLib.tlb)
# Identifiers and header for everyone who talks to the server (server, wizard, tests).
add_library(serverlib_ids STATIC ${SERVERLIB_GENERATED}/ServerLib_i.c)
add_dependencies(serverlib_ids serverlib_generated)
target_include_directories(serverlib_ids PUBLIC ${SERVERLIB_GENERATED})
set(SERVERLIB_TLB ${SERVERLIB_GENERATED}/ServerLib.tlb)
