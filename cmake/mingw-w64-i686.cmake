# Cross build for 32-bit Windows with Debian's MinGW-w64 (posix threads
# flavour). Its programs are built and checked here, not run: the machines
# that build it run no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KORVEXA_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
