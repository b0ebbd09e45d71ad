# The browser build: the core and the command line compiled to WebAssembly
# with Debian's emscripten (scripts/build-web.sh). The page runs the command
# line as a function (cli/main.cpp's vn_run), so that what it shows is what
# the command line prints on Linux.
if(NOT EMSCRIPTEN)
  return()
endif()

# C++ exceptions carry every failure to its report: emscripten leaves them
# off unless asked.
target_compile_options(vn_flags INTERFACE -fexceptions)
target_link_options(vn_flags INTERFACE -fexceptions)
# The ray-lane code combines comparison masks with "&" on purpose: the same
# template takes vector masks, where "&&" does not exist.
target_compile_options(vn_flags INTERFACE -Wno-bitwise-instead-of-logical)

# emscripten's C++ library has no double std::to_chars / std::from_chars;
# the core's decimal conversions take {fmt} and fast_float there, both
# header-only from Debian. Only their own folders are put on the path: the
# host's /usr/include would bring its C library's headers.
set(VN_WEB_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${VN_WEB_HOST_HEADERS})
foreach(library fmt fast_float)
  if(NOT EXISTS /usr/include/${library})
    message(FATAL_ERROR "/usr/include/${library} not found: scripts/build-web.sh installs it")
  endif()
  file(CREATE_LINK /usr/include/${library} ${VN_WEB_HOST_HEADERS}/${library} SYMBOLIC)
endforeach()
target_include_directories(vn_core SYSTEM PRIVATE ${VN_WEB_HOST_HEADERS})

# One module for the page's worker (and for node, which the tests use):
# build/web/vantry-null.js and vantry-null.wasm. It starts nothing by itself;
# runCli (web/cli_module.js) runs the command line once per call.
set_target_properties(vantry-null-cli PROPERTIES OUTPUT_NAME vantry-null SUFFIX ".js")
target_link_options(vantry-null-cli PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=VantryNull -sENVIRONMENT=web,worker,node
  -sINVOKE_RUN=0 -sEXIT_RUNTIME=0 -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_FUNCTIONS=_vn_run,_vn_output,_vn_errors,_malloc,_free
  -lnodefs.js -sEXPORTED_RUNTIME_METHODS=FS,NODEFS,UTF8ToString,stringToUTF8,lengthBytesUTF8
  --post-js ${CMAKE_SOURCE_DIR}/web/cli_module.js)
set_property(TARGET vantry-null-cli APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/web/cli_module.js)

# The number-text probe runs under node, the module inside its script.
target_link_options(vn-number-probe PRIVATE -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1
  -sSINGLE_FILE=1)
