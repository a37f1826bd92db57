# Cross-compiles for 64-bit Windows with mingw-w64 and runs the results under wine.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORTICEL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex, which the win32 model of GCC 12 lacks.
set(CMAKE_C_COMPILER ${VORTICEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORTICEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VORTICEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORTICEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything from the compiler's runtime (libgcc, libstdc++, winpthread) is linked in, so an executable needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run through wine. Debian keeps the 64-bit loader out of PATH.
find_program(VORTICEL_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/wine64 NO_DEFAULT_PATH)
if(NOT VORTICEL_WINE64)
  find_program(VORTICEL_WINE64 NAMES wine64 wine)
endif()
if(VORTICEL_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORTICEL_WINE64})
endif()
