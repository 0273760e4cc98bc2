# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (win32 threads variant).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVAN_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${KORVAN_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${KORVAN_MINGW_TRIPLET}-windres)

# Libraries and headers come from the cross toolchain only; programs run on
# the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KORVAN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
