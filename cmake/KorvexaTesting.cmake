# GoogleTest/GoogleMock from the sources Debian's googletest package installs,
# built with the same toolchain as the code under test.
set(KORVEXA_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${KORVEXA_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${KORVEXA_GTEST_SOURCE_DIR} (apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${KORVEXA_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
if(NOT MSVC)
  # Our warnings are for our code; GoogleTest's own sources are not marked throughout.
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -Wno-suggest-override)
  endforeach()
endif()

# korvexa_add_test(NAME name SOURCES ... [LIBS ...] [DISPLAY] [TIMEOUT s])
# One test executable is one ctest entry. DISPLAY marks tests that create
# windows (they need the X server the test script provides). Every Windows
# test program links the tests' one support library (tests/support).
function(korvexa_add_test)
  cmake_parse_arguments(T "DISPLAY" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "korvexa_add_test(${T_NAME}): unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock_main)
  if(WIN32)
    target_link_libraries(${T_NAME} PRIVATE korvexa_test_support)
  endif()
  korvexa_program(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_DISPLAY)
    # Window tests share one X display and the foreground: one at a time.
    set_tests_properties(${T_NAME} PROPERTIES LABELS display RESOURCE_LOCK display)
  endif()
endfunction()

