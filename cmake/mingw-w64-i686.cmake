# Cross-compiles for 32-bit Windows with mingw-w64 and runs the results under wine (32-bit).
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VORTICEL_MINGW_PREFIX i686-w64-mingw32)
# The posix thread model, as in the 64-bit build: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${VORTICEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORTICEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VORTICEL_MINGW_PREFIX}-windres)

# Floating point on SSE2, never the x87 unit: every float and double operation then rounds to
# single or double precision exactly as on x86-64, where the x87's extended precision would
# round differently. SSE2 is in every x86 processor since 2001.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_FIND_ROOT_PATH /usr/${VORTICEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread are linked in: an executable needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run through Debian's 32-bit loader (package wine32), which is not in PATH
# under that name; /usr/bin/wine starts it.
find_program(VORTICEL_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VORTICEL_WINE32)
  find_program(VORTICEL_WINE32 NAMES wine)
endif()
if(VORTICEL_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORTICEL_WINE32})
endif()
