# Cross-compiles for 32-bit Windows with Debian's MinGW-w64. Executables link
# the runtime statically, so none of them needs a MinGW DLL.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
