# Cross-builds the Windows program on Debian with MinGW-w64 (i686, posix threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSARY_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
