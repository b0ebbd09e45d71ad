# Windows builds of the parts that need no toolkit: the core, the command line
# and the core tests. Here they are cross-built with mingw-w64
# (cmake/mingw-w64.cmake) and run under wine; the window is built on Windows
# itself (docs/windows.md).
#
# Run as a script (cmake -P) by the tests' set-up, it starts wine instead: see
# the end of this file.
if(CMAKE_SCRIPT_MODE_FILE)
  # Inputs: VN_WINE, VN_WINESERVER, VN_WINEPREFIX.
  # wine's server, and the services its first program starts, live on after
  # the program. Started from a test they would keep that test's output pipe
  # open, and the test runner would wait for them; started here, with their
  # output going nowhere, they serve every test program. The server ends by
  # itself half a minute after the last program.
  set(ENV{WINEPREFIX} "${VN_WINEPREFIX}")
  set(ENV{WINEDEBUG} "-all")
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
  file(MAKE_DIRECTORY "${VN_WINEPREFIX}")
  execute_process(COMMAND "${VN_WINESERVER}" -p30 OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
  # The first start makes the prefix (wine's registry and C: drive).
  execute_process(COMMAND "${VN_WINE}" wineboot OUTPUT_FILE /dev/null ERROR_FILE /dev/null
                  RESULT_VARIABLE booted)
  if(NOT booted EQUAL 0)
    message(FATAL_ERROR "wine did not start (${booted}) in ${VN_WINEPREFIX}")
  endif()
  return()
endif()

if(NOT WIN32)
  return()
endif()

# The lens-file platform asks the shell (associations, opening, known folders)
# and opens files through COM.
target_link_libraries(vn_core PUBLIC shell32 ole32 user32)

# Cross-built, the core and the command line parse the standard headers
# they all use once, from a precompiled header: a third of the build's time
# inside the test command's budget. The Linux builds keep compiling every
# file on its own, so that a missing include shows there.
if(CMAKE_CROSSCOMPILING)
  target_precompile_headers(vn_core PRIVATE
    <algorithm> <array> <atomic> <cmath> <functional> <memory> <optional> <string> <vector>)
  target_precompile_headers(vantry-null-cli REUSE_FROM vn_core)
endif()

# The command line for users: one static .exe and the licence in a zip.
set(VN_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/vantry-null-cli-${PROJECT_VERSION}-windows-x86_64.zip)
set(VN_WINDOWS_ZIP_DIR ${CMAKE_BINARY_DIR}/zip/vantry-null-cli-${PROJECT_VERSION})
add_custom_command(
  OUTPUT ${VN_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VN_WINDOWS_ZIP_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VN_WINDOWS_ZIP_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vantry-null-cli> ${VN_WINDOWS_ZIP_DIR}/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/LICENSE ${VN_WINDOWS_ZIP_DIR}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/zip
          ${CMAKE_COMMAND} -E tar cf ${VN_WINDOWS_ZIP} --format=zip --mtime=2026-01-01
          vantry-null-cli-${PROJECT_VERSION}
  DEPENDS vantry-null-cli ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Packing the Windows command line into ${VN_WINDOWS_ZIP}"
  VERBATIM)
add_custom_target(vn_windows_zip ALL DEPENDS ${VN_WINDOWS_ZIP})

if(NOT VN_BUILD_TESTS)
  return()
endif()

# GoogleTest: an installed one (MSYS2 has it), else compiled with the project
# from its sources. Debian ships them (package googletest) for cross builds;
# on Windows, point VN_GOOGLETEST_SOURCE_DIR at a copy of them.
find_package(GTest QUIET)
set(VN_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, when none is installed")
if(NOT GTest_FOUND AND EXISTS ${VN_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VN_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Test machinery, not figures: compiled without the optimiser, in half the time.
  target_compile_options(gtest PRIVATE -O0)
  target_compile_options(gtest_main PRIVATE -O0)
endif()

if(NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()
enable_testing()

# wine keeps its Windows (registry, C: drive) in a prefix, quiet, without the
# .NET and browser add-ons it would offer to fetch. Making one takes ten
# seconds and more; it is made once per user, in the cache folder, and every
# later build (a fresh clone's included) starts in a second. The test
# programs made from here on start through it.
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(vn_cache_dir $ENV{XDG_CACHE_HOME})
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(vn_cache_dir $ENV{HOME}/.cache)
else()
  set(vn_cache_dir ${CMAKE_BINARY_DIR})
endif()
set(VN_WINEPREFIX ${vn_cache_dir}/vantry-null/wine64 CACHE PATH "wine's prefix for the Windows tests")
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 VN_WINE_PROGRAM)
get_filename_component(VN_WINE_DIR ${VN_WINE_PROGRAM} DIRECTORY)
find_program(VN_WINESERVER NAMES wineserver64 wineserver HINTS ${VN_WINE_DIR} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${VN_WINEPREFIX} WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml= ${CMAKE_CROSSCOMPILING_EMULATOR})
add_test(NAME wine_start
         COMMAND ${CMAKE_COMMAND} -DVN_WINE=${VN_WINE_PROGRAM} -DVN_WINESERVER=${VN_WINESERVER}
                 -DVN_WINEPREFIX=${VN_WINEPREFIX} -P ${CMAKE_CURRENT_LIST_FILE})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)

# The Windows command line against the Linux one (built by the release preset
# of this source tree): the same reports, lens files and figures.
set(VN_LINUX_CLI "" CACHE FILEPATH "The Linux build's vantry-null-cli, to compare with")
find_package(Python3 COMPONENTS Interpreter)
if(VN_LINUX_CLI AND Python3_Interpreter_FOUND)
  add_test(NAME cli_matches_linux
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/windows/compare_cli.py
                   --linux ${VN_LINUX_CLI} --work ${CMAKE_BINARY_DIR}/cli_compare
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vantry-null-cli>)
  set_tests_properties(cli_matches_linux PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
endif()
