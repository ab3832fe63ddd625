# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64). The POSIX
# thread model gives the standard library its std::mutex; linking everything statically
# makes the programs run without the toolchain's DLLs beside them (under Wine too).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOLV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOLV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLV_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOLV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
