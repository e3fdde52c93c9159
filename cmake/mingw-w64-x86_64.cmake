# SPDX-License-Identifier: MIT
# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix thread flavour, so std::thread and
# friends work). Everything is linked statically: the .exe files need no DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MRFYC_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MRFYC_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MRFYC_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MRFYC_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MRFYC_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static also pulls in winpthread statically instead of libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
