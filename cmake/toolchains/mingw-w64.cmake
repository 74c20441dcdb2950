# Shared part of the Windows cross builds with Debian's MinGW-w64 compilers. The
# including file sets FX_MINGW_TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)

# Debian ships each compiler in two threading variants; the posix one has the C++
# thread support (std::mutex, thread_local) that our host library uses.
foreach(variant -posix "")
  find_program(fx_mingw_cxx ${FX_MINGW_TRIPLET}-g++${variant})
  if(fx_mingw_cxx)
    break()
  endif()
endforeach()
if(NOT fx_mingw_cxx)
  message(FATAL_ERROR "${FX_MINGW_TRIPLET}-g++ not found: install g++-mingw-w64 (scripts/install-deps.sh)")
endif()
set(CMAKE_CXX_COMPILER ${fx_mingw_cxx})
set(CMAKE_RC_COMPILER ${FX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every module and program carries its own C and C++ runtime and thread library, so
# it needs nothing but Windows' own system libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
