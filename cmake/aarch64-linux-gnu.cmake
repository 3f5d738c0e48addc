# Cross-building zarvo's kernels and their tests for 64-bit ARM Linux with
# Debian's cross compiler, against the arm64 packages of Highway and
# GoogleTest (multiarch: /usr/lib/aarch64-linux-gnu). Tests run through
# qemu-aarch64: binfmt is not assumed, so CTest calls the emulator itself.
# scripts/aarch64_check.sh installs all of it and uses this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# The C library and loader of the cross compiler live in this root.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
# Programs from the build machine, libraries and headers from the target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
