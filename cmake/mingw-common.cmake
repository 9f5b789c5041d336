# The part of the MinGW-w64 toolchain files that both targets share; the
# including file sets CMAKE_SYSTEM_PROCESSOR and TOURWRIGHT_MINGW_TRIPLET.
# Everything is linked statically, so tourwright.exe needs nothing beyond
# the DLLs that come with Windows.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix variants: GoogleTest needs their std::thread and std::mutex.
set(CMAKE_C_COMPILER ${TOURWRIGHT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOURWRIGHT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOURWRIGHT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOURWRIGHT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release executables ship without their symbol tables.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
