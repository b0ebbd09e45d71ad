# One GoogleTest program per area of the core (tests/<area>/*_test.cpp), and one
# QtTest program per window test file (tests/ui/*_test.cpp), run offscreen.
if(NOT TARGET GTest::gtest)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

set(VN_TEST_AREAS common engine glass record run oslo tolerance exact analysis tester design cli)
if(WIN32)
  # The command-line tests drive the program through a POSIX shell; on
  # Windows the program is compared with the Linux one instead.
  list(REMOVE_ITEM VN_TEST_AREAS cli)
endif()
foreach(area IN LISTS VN_TEST_AREAS)
  file(GLOB area_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${area}/*.cpp)
  if(area_sources)
    add_executable(${area}_tests ${area_sources})
    target_include_directories(${area}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${area}_tests PRIVATE vn_core GTest::gtest GTest::gtest_main)
    target_compile_definitions(${area}_tests PRIVATE
      VN_CLI_PATH="$<TARGET_FILE:vantry-null-cli>"
      VN_EXECUTABLE_SUFFIX="${CMAKE_EXECUTABLE_SUFFIX}"
      VN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    if(area STREQUAL "cli")
      add_dependencies(${area}_tests vantry-null-cli)
    endif()
    if(CMAKE_CROSSCOMPILING)
      # Under an emulator every start is slow: one test per area's program.
      add_test(NAME ${area}_tests COMMAND ${area}_tests)
      set_tests_properties(${area}_tests PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine)
      # The cross build only proves the core on another system, inside the
      # test command's time: the test programs' own code is compiled without
      # the optimiser and with one precompiled GoogleTest header, while the
      # core they test stays optimised as released.
      target_compile_options(${area}_tests PRIVATE -O0)
      if(NOT VN_TEST_PCH)
        set(VN_TEST_PCH ${area}_tests)
        target_precompile_headers(${area}_tests PRIVATE <gtest/gtest.h> <string> <vector>)
      else()
        target_precompile_headers(${area}_tests REUSE_FROM ${VN_TEST_PCH})
      endif()
    else()
      gtest_discover_tests(${area}_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
    endif()
  endif()
endforeach()

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
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
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
