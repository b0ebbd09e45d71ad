# The glass catalog rows (data/glass/*.txt) are compiled into the core through a
# generated source; the program reads nothing from disk at start-up.
#
# This file has two roles:
#  - included from CMakeLists.txt, it adds a build step that writes
#    glass_rows.cpp into the build tree whenever a catalog file (or this file)
#    changes, and adds that source to vn_core;
#  - run as a script (cmake -P) by that build step, it reads the two catalog
#    files and writes the C++ source. Only CMake is needed; no other tool.
#
# Each catalog row is NAME|A0|A1|A2|A3|A4|A5. The script refuses a file whose
# row count differs from the catalog's size or whose rows lack the six "|"
# separators, so a damaged data file stops the build instead of a dialog.

if(CMAKE_SCRIPT_MODE_FILE)
  # ---- Script mode: write the generated source --------------------------------
  # Inputs: VN_SCHOTT_FILE, VN_OHARA_FILE, VN_SCHOTT_COUNT, VN_OHARA_COUNT, VN_OUTPUT.

  # Appends to `out` the C++ array `arrayName` of string literals, one per row.
  function(vn_glass_rows_array file expectedCount arrayName out)
    file(STRINGS "${file}" rows ENCODING UTF-8)
    set(text "constexpr std::string_view ${arrayName}[] = {\n")
    set(count 0)
    foreach(row IN LISTS rows)
      string(STRIP "${row}" row)
      if(row STREQUAL "")
        continue()
      endif()
      string(REGEX MATCHALL "\\|" bars "${row}")
      list(LENGTH bars barCount)
      if(NOT barCount EQUAL 6)
        message(FATAL_ERROR "${file}: row ${row} has ${barCount} '|' separators, not 6")
      endif()
      string(REPLACE "\\" "\\\\" row "${row}")
      string(REPLACE "\"" "\\\"" row "${row}")
      string(APPEND text "    \"${row}\",\n")
      math(EXPR count "${count} + 1")
    endforeach()
    if(NOT count EQUAL expectedCount)
      message(FATAL_ERROR "${file}: ${count} rows, the catalog has ${expectedCount}")
    endif()
    string(APPEND text "};\n")
    set(${out} "${${out}}${text}" PARENT_SCOPE)
  endfunction()

  set(source "// Generated from data/glass/*.txt by cmake/GlassData.cmake. Do not edit.\n")
  string(APPEND source "#include \"glass/glass_rows.h\"\n\nnamespace vn {\nnamespace {\n\n")
  vn_glass_rows_array("${VN_SCHOTT_FILE}" ${VN_SCHOTT_COUNT} kSchottRows source)
  string(APPEND source "\n")
  vn_glass_rows_array("${VN_OHARA_FILE}" ${VN_OHARA_COUNT} kOharaRows source)
  string(APPEND source "\n}  // namespace\n\n")
  string(APPEND source "std::span<const std::string_view> BuiltInSchottRows() { return kSchottRows; }\n")
  string(APPEND source "std::span<const std::string_view> BuiltInOharaRows() { return kOharaRows; }\n")
  string(APPEND source "\n}  // namespace vn\n")

  file(WRITE "${VN_OUTPUT}" "${source}")
  return()
endif()

# ---- Project mode: the build step and the source it makes ------------------------
set(VN_GLASS_SCHOTT_FILE ${CMAKE_SOURCE_DIR}/data/glass/schott.txt)
set(VN_GLASS_OHARA_FILE ${CMAKE_SOURCE_DIR}/data/glass/ohara.txt)
set(VN_GLASS_ROWS_SOURCE ${CMAKE_BINARY_DIR}/generated/glass/glass_rows.cpp)

add_custom_command(
  OUTPUT ${VN_GLASS_ROWS_SOURCE}
  COMMAND ${CMAKE_COMMAND}
          -DVN_SCHOTT_FILE=${VN_GLASS_SCHOTT_FILE}
          -DVN_OHARA_FILE=${VN_GLASS_OHARA_FILE}
          -DVN_SCHOTT_COUNT=241
          -DVN_OHARA_COUNT=276
          -DVN_OUTPUT=${VN_GLASS_ROWS_SOURCE}
          -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${VN_GLASS_SCHOTT_FILE} ${VN_GLASS_OHARA_FILE} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Compiling the glass catalog rows into the core"
  VERBATIM)
target_sources(vn_core PRIVATE ${VN_GLASS_ROWS_SOURCE})
