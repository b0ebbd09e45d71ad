# One GoogleTest program per area of the core (tests/<area>/*_test.cpp), and one
# QtTest program per window test file (tests/ui/*_test.cpp), run offscreen.
if(NOT TARGET GTest::gtest)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

set(VN_TEST_AREAS common engine glass record run oslo spacing_error_dialog exact analysis pictures tester design cli)
if(WIN32)
  # The command-line tests drive the program through a POSIX shell; on
  # Windows the program is compared with the Linux one instead.
  list(REMOVE_ITEM VN_TEST_AREAS cli)
endif()
function(vn_test_program name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vn_core GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VN_CLI_PATH="$<TARGET_FILE:vantry-null-cli>"
    VN_TEST_PROGRAM="${name}${CMAKE_EXECUTABLE_SUFFIX}"
    VN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()

if(CMAKE_CROSSCOMPILING)
  # Under an emulator every start is slow, and every static link of a
  # Windows program takes seconds: all areas make one test program. The
  # cross build only proves the core on another system, inside the test
  # command's time: the tests' own code is compiled without the optimiser
  # and with one precompiled GoogleTest header, while the core they test
  # keeps the optimiser (the figures are the same at every level).
  set(core_test_sources)
  foreach(area IN LISTS VN_TEST_AREAS)
    file(GLOB area_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${area}/*.cpp)
    list(APPEND core_test_sources ${area_sources})
  endforeach()
  vn_test_program(core_tests ${core_test_sources})
  target_compile_options(core_tests PRIVATE -O0)
  target_precompile_headers(core_tests PRIVATE <gtest/gtest.h> <string> <vector>)
  add_test(NAME core_tests COMMAND core_tests)
  set_tests_properties(core_tests PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED wine)
else()
  foreach(area IN LISTS VN_TEST_AREAS)
    file(GLOB area_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${area}/*.cpp)
    if(area_sources)
      vn_test_program(${area}_tests ${area_sources})
      if(area STREQUAL "cli")
        add_dependencies(${area}_tests vantry-null-cli)
      endif()
      gtest_discover_tests(${area}_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
    endif()
  endforeach()
endif()

# Window tests: thin checks of the wiring, with the offscreen platform, under a
# comma locale as most of our users run one: the toolkit hands it to the C
# library, so any number that passes through the locale shows up in them.
function(vn_add_ui_test source)
  get_filename_component(name ${source} NAME_WE)
  add_executable(ui_${name} ${source})
  set_target_properties(ui_${name} PROPERTIES AUTOMOC ON)
  target_include_directories(ui_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(ui_${name} PRIVATE vn_ui Qt6::Test)
  add_test(NAME ui_${name} COMMAND ui_${name})
  set_tests_properties(ui_${name} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;LANG=de_DE.UTF-8;LC_ALL=de_DE.UTF-8" TIMEOUT 300)
endfunction()

if(VN_BUILD_UI)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  file(GLOB ui_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/ui/*_test.cpp)
  foreach(t IN LISTS ui_tests)
    vn_add_ui_test(${t})
  endforeach()
endif()

# The catalog rows checked against their own tabulated reference indices and
# the physical range of every glass, by the catalog's own checker.
# Checks of the sources themselves, made once, by the build for this system.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND AND NOT CMAKE_CROSSCOMPILING)
  # The layers: no include runs from a lower folder to a higher one.
  add_test(NAME include_layers COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/check-layers.py)
  add_test(NAME glass_catalog_rows COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/data/glass/check.py)
endif()

# The command line's JSON output, for every kind of run and listing, against
# the schema that documents it, by a validator written apart from the program
# (python3-jsonschema); where the command line's tests run.
if(Python3_Interpreter_FOUND AND "cli" IN_LIST VN_TEST_AREAS AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME cli_json_schema
           COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/cli/validate_json_schema.py
                   $<TARGET_FILE:vantry-null-cli> ${CMAKE_SOURCE_DIR}/docs/cli-output.schema.json)
  set_tests_properties(cli_json_schema PROPERTIES TIMEOUT 300)
endif()
