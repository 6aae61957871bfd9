# Cross-build for Windows with Debian's mingw-w64 (x86_64), everything linked
# statically. The thread model is posix by default: the Windows integration
# tests (GoogleTest) need std::mutex. A tree without tests can take the win32
# one (-DVELUMIX_MINGW_THREADS=win32), which needs no threading library.
set(VELUMIX_MINGW_THREADS posix CACHE STRING "Thread model of the mingw-w64 compilers: posix or win32")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELUMIX_MINGW_THREADS)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${VELUMIX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${VELUMIX_MINGW_THREADS})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
