# 32-bit Windows: cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FX_MINGW_TRIPLET i686-w64-mingw32)
# SSE2 arithmetic: the same single and double precision as the 64-bit builds (no x87
# extended precision), and the flush-to-zero mode the processing paths rely on. 32-bit
# hosts may call in with a stack aligned to 4 bytes only, hence the realignment.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
