# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# so std::thread and friends work). Libraries and headers are looked up in the
# mingw sysroot and in the dependency prefix named by QB_WINDOWS_DEPS (set by
# scripts/build-windows.sh), never in the host's /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QB_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QB_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QB_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QB_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QB_MINGW})
if(DEFINED ENV{QB_WINDOWS_DEPS})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{QB_WINDOWS_DEPS})
  list(APPEND CMAKE_PREFIX_PATH $ENV{QB_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
