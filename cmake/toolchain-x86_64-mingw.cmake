# Cross-compiles the same sources for 64-bit Windows with Debian's MinGW-w64,
# which keeps the code honest about pointer-sized message parameters.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
