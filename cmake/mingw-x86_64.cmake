# Cross-builds the Windows program on Debian with MinGW-w64 (x86_64, posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSARY_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSARY_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSARY_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSARY_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TESSARY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
