# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, for std::thread).
# mingw-w64-i686.cmake reuses it for 32-bit Windows with its own triplet.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
if(NOT ORVANEL_MINGW)
  set(ORVANEL_MINGW x86_64-w64-mingw32)
endif()
set(CMAKE_C_COMPILER ${ORVANEL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANEL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANEL_MINGW}-windres)
# ORVANEL_WINDOWS_PREFIX holds what is built for the target (GoogleTest) and the header-only
# packages; nothing of the build machine's own libraries may be found.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVANEL_MINGW} ${ORVANEL_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs carry their runtime, so a bare .exe runs on any Windows and under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVANEL_WINDOWS_PREFIX)
