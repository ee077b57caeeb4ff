# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (GCC, posix threads, for
# std::thread), as scripts/windows-check does:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKESTREL_QT=OFF
# The programs are linked statically, so that they run under wine (and on a workstation) with
# no MinGW runtime beside them. Where wine is installed CTest runs the tests through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KESTREL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTREL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages built with this compiler (GoogleTest) are found by CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(KESTREL_WINE NAMES wine wine64)
if(KESTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTREL_WINE})
endif()
