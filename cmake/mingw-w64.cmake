# Cross-compiles the core, the command line and the core tests for 64-bit
# Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix: the POSIX
# thread model, which the standard threads of the core need), and runs the
# results under wine.
#
#   cmake -S . -B build/windows --toolchain cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is linked statically (libstdc++, libgcc, winpthreads): one
# .exe that runs on a bare Windows, with no DLLs to hunt for.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# 64-bit programs run under wine64 alone; Debian's "wine" package only adds
# the "wine" launcher script and the 32-bit half.
find_program(VN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VN_WINE NAMES wine64 wine)
if(VN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VN_WINE})
endif()

# The optimiser's first level: the figures are the same at every level (the
# core is built without contraction and library built-ins), the command
# line's runs take milliseconds either way, and the cross build fits the
# test command's time.
set(CMAKE_C_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "Flags of a Windows release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "Flags of a Windows release build")
