# toolkit_widl(NAME name IDL file TARGET_PREFIX prefix)
# Compiles an IDL file with widl into ${CMAKE_BINARY_DIR}/generated/<prefix>/: the interface
# header <name>.h, the identifiers <name>_i.c and the type library <name>.tlb. Defines the
# targets <prefix>_generated (the files) and <prefix>_ids (identifiers and include folder),
# and sets <PREFIX>_GENERATED and <PREFIX>_TLB in the caller's scope.
find_path(STDOLE2_DIR stdole2.tlb
    PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
          /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

function(toolkit_widl)
    cmake_parse_arguments(ARG "" "NAME;IDL;TARGET_PREFIX" "" ${ARGN})
    set(out ${CMAKE_BINARY_DIR}/generated/${ARG_TARGET_PREFIX})
    file(MAKE_DIRECTORY ${out})
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(arch --win64)
    else()
        set(arch --win32)
    endif()
    # The type libraries import stdole2.tlb, which comes with Wine.
    add_custom_command(
        OUTPUT ${out}/${ARG_NAME}.h ${out}/${ARG_NAME}_i.c ${out}/${ARG_NAME}.tlb
        COMMAND widl ${arch} -I/usr/include/wine/wine/windows -L ${STDOLE2_DIR}
                -h -H ${ARG_NAME}.h -u -U ${ARG_NAME}_i.c -t -T ${ARG_NAME}.tlb ${ARG_IDL}
        WORKING_DIRECTORY ${out}
        DEPENDS ${ARG_IDL}
        COMMENT "widl ${ARG_NAME}.idl"
        VERBATIM)
    add_custom_target(${ARG_TARGET_PREFIX}_generated DEPENDS ${out}/${ARG_NAME}.h ${out}/${ARG_NAME}.tlb)
    add_library(${ARG_TARGET_PREFIX}_ids STATIC ${out}/${ARG_NAME}_i.c)
    add_dependencies(${ARG_TARGET_PREFIX}_ids ${ARG_TARGET_PREFIX}_generated)
    target_include_directories(${ARG_TARGET_PREFIX}_ids PUBLIC ${out})
    string(TOUPPER ${ARG_TARGET_PREFIX} upper)
    set(${upper}_GENERATED ${out} PARENT_SCOPE)
    set(${upper}_TLB ${out}/${ARG_NAME}.tlb PARENT_SCOPE)
endfunction()
