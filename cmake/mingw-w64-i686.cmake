# Cross build for 32-bit Windows with Debian's MinGW-w64 (posix threads flavour).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KORVEXA_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVEXA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEXA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEXA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEXA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run through Wine; the script keeps one prefix per build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
