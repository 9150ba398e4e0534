# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads variant).
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Programs link statically so that a copied .exe needs no DLL beyond the system's own. When Wine is
# installed, tests run through it (scripts/test-windows.sh sets up its prefix and server).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TECRIS2NX_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix variant: the win32 one lacks std::thread and friends in this GCC.
set(CMAKE_C_COMPILER ${TECRIS2NX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TECRIS2NX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TECRIS2NX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TECRIS2NX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TECRIS2NX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT TECRIS2NX_WINE64)
  find_program(TECRIS2NX_WINE64 NAMES wine64 wine)
endif()
if(TECRIS2NX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TECRIS2NX_WINE64})
endif()
