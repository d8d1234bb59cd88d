# Cross-builds the 32-bit Windows program on Linux with mingw-w64.
# The -posix compilers are used: the default win32 thread model has no
# std::mutex, which GoogleTest needs. libgcc, libstdc++ and winpthread are
# linked statically, so the programs need only Windows system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TIKR_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TIKR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIKR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TIKR_MINGW_TRIPLET}-windres)

# Headers and libraries come from the mingw-w64 tree only; tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TIKR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Floating point in SSE2 registers, as on x86-64: the x87 unit's excess
# precision would otherwise round date-time arithmetic differently from the
# Linux build. Every CPU that runs a supported Windows has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
