# Cross-builds the 64-bit Windows program on Linux with mingw-w64: the same
# sources as the 32-bit program (cmake/mingw-i686.cmake), built where 32-bit
# programs cannot run, so that the tests run under 64-bit Wine; it also
# keeps the code honest about pointer sizes (window data, handles).
# The -posix compilers are used: the default win32 thread model has no
# std::mutex, which GoogleTest needs. libgcc, libstdc++ and winpthread are
# linked statically, so the programs need only Windows system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TIKR_MINGW_TRIPLET x86_64-w64-mingw32)
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
