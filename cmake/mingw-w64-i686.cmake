# Cross build for 32-bit Windows: the STB's own device library is a 32-bit DLL, which only a
# 32-bit program can load. Wine's 32-bit loader (Debian's wine32) runs what it builds.
set(ORVANEL_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
