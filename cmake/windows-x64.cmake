# Cross-building for 64-bit Windows with Debian's MinGW-w64 compilers (the
# posix-threads variant, which std::thread and Qt need). Used for Qt itself
# and for this project (scripts/windows.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RALLON_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RALLON_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RALLON_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${RALLON_MINGW}-windres)

# Libraries and headers from the MinGW sysroot (and the prefixes the caller
# adds to CMAKE_FIND_ROOT_PATH), programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${RALLON_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
