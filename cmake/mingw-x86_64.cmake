# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (win32 threads variant).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVAN_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
