# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads,
# so that std::thread and std::mutex are the same as on Linux).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_SYSTEM_VERSION 10.0)

set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)
set(CMAKE_AR ${mingw}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw}-ranlib CACHE FILEPATH "")

# Headers and libraries come from the MinGW root and from the third-party
# builds (KESTRILO_WINDOWS_PREFIX, filled by scripts/windows-third-party);
# programs run during the build are Linux ones.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw} $ENV{KESTRILO_WINDOWS_PREFIX} ${KESTRILO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KESTRILO_WINDOWS_PREFIX)

# One .exe that needs nothing beside it: the C and C++ runtimes and
# winpthreads are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
