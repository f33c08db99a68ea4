# Everything that runs a Windows binary at test time goes through one wrapper that knows
# this build tree's Wine prefix and the loader of the right architecture.
include(${CMAKE_CURRENT_LIST_DIR}/Subdirectories.cmake)

# The prefix models the Windows each build is made for. The x86_64 tree runs in a 64-bit
# prefix (WINEARCH=win64). The i686 tree runs in a 32-bit prefix (WINEARCH=win32): the 32-bit
# build is the one for 32-bit Windows and for Windows PE, where System32 holds 32-bit programs
# and the registry has a single view, with no WOW64 redirection. A 64-bit prefix would run
# the same programs under WOW64 instead, with the 32-bit registry view and SysWOW64, which is
# not the system the 32-bit build is installed on. WINEARCH only takes effect when a prefix is
# made; on an existing prefix of the other kind Wine refuses to start, so a mix-up fails.
set(TOOLKIT_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    # Plain `wine` would start the 32-bit system programs once 32-bit Wine is installed.
    set(TOOLKIT_WINE_LOADER /usr/lib/wine/wine64)
    set(TOOLKIT_WINEARCH win64)
    set(TOOLKIT_ARCH x86_64)
else()
    # The 32-bit loader: in a 32-bit prefix it starts the 32-bit system programs (regsvr32,
    # cscript, cmd), which see the prefix's only registry view.
    set(TOOLKIT_WINE_LOADER /usr/lib/wine/wine)
    set(TOOLKIT_WINEARCH win32)
    set(TOOLKIT_ARCH i686)
endif()
set(TOOLKIT_WINE_EXEC ${CMAKE_BINARY_DIR}/wine-exec.sh)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-exec.sh.in ${TOOLKIT_WINE_EXEC}
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
    @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TOOLKIT_WINE_EXEC})

# Windows form of a Unix path, through Wine's Z: drive.
function(toolkit_windows_path out unix_path)
    string(REPLACE "/" "\\" windows_path "${unix_path}")
    set(${out} "Z:${windows_path}" PARENT_SCOPE)
endfunction()

toolkit_windows_path(TOOLKIT_BIN_WINDOWS ${CMAKE_BINARY_DIR}/bin)

# toolkit_version_resource(target "description") adds a version resource 1.4.1.130 to a
# DLL or EXE target.
function(toolkit_version_resource target description)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(TOOLKIT_FILE_TYPE VFT_APP)
        set(TOOLKIT_FILE_NAME ${target}.exe)
    else()
        set(TOOLKIT_FILE_TYPE VFT_DLL)
        set(TOOLKIT_FILE_NAME ${target}.dll)
    endif()
    set(TOOLKIT_FILE_DESCRIPTION "${description}")
    string(REPLACE "." "," TOOLKIT_VERSION_COMMAS ${PROJECT_VERSION})
    string(REPLACE "." ", " TOOLKIT_VERSION_TEXT ${PROJECT_VERSION})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
