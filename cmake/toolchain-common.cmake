# mingw-w64 cross toolchain, posix thread model, everything linked statically so that
# our binaries import only Windows system DLLs.
set(CMAKE_C_COMPILER ${TOOLKIT_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLKIT_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLKIT_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLKIT_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
