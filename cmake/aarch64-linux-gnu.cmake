# Cross-compiles the headless core for 64-bit ARM Linux and runs the results under qemu-user.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
#         -DVORTICEL_CORE_ONLY=ON
# On ARM the builder's vertex fill takes its portable scalar loop, not the SSE2 one.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(VORTICEL_CROSS_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${VORTICEL_CROSS_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VORTICEL_CROSS_PREFIX}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${VORTICEL_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static executables: qemu-aarch64 runs them without an ARM sysroot.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(VORTICEL_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(VORTICEL_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORTICEL_QEMU_AARCH64})
endif()
