# What both MinGW-w64 cross builds share (Debian's posix threads flavour); the
# toolchain file of each architecture sets KORVEXA_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KORVEXA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEXA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEXA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEXA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run through Wine; the script keeps one prefix per build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
