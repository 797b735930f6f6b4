# korvexa_program(<target> [WIDE_ENTRY])
# What every Windows program of ours needs at its link, the shell, the tools
# and the test programs alike. With MinGW the C and C++ runtimes are linked
# statically, so a program imports system DLLs only and runs from a plain
# folder; MSVC keeps its own runtime choice and gets no GNU flags. WIDE_ENTRY:
# the program starts at wmain or wWinMain (MSVC's linker finds those by itself).
# MinGW's programs are marked for Windows 7 and later (subsystem and OS
# version 6.1), the oldest system the code is written for (_WIN32_WINNT in
# Win.h); MSVC's linker marks 6.0 by itself, which Windows 7 runs as well.
# Elsewhere (the native build) it does nothing.
function(korvexa_program target)
  cmake_parse_arguments(P "WIDE_ENTRY" "" "" ${ARGN})
  if(P_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "korvexa_program(${target}): unknown arguments ${P_UNPARSED_ARGUMENTS}")
  endif()
  if(WIN32 AND NOT MSVC)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
      -Wl,--major-subsystem-version,6,--minor-subsystem-version,1
      -Wl,--major-os-version,6,--minor-os-version,1)
    if(P_WIDE_ENTRY)
      target_link_options(${target} PRIVATE -municode)
    endif()
  endif()
endfunction()
