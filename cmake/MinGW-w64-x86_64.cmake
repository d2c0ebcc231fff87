# Cross-compiles for Windows x64 with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
#
#   cmake -S . -B build-windows -G Ninja --toolchain cmake/MinGW-w64-x86_64.cmake \
#         -DJUCE_DIR=/usr/lib/x86_64-linux-gnu/cmake/JUCE-7.0.5 -DZELK_MINGW_PREFIX=/path/to/static/libs
#
# ZELK_MINGW_PREFIX holds the cross-built static libjpeg and libpng (scripts/windows.sh makes it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELK_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix thread model: the win32 one has no std::mutex or std::thread, which JUCE uses.
set(CMAKE_C_COMPILER ${ZELK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELK_MINGW_TRIPLE}-windres)

# Try-compiles re-read this file; they need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZELK_MINGW_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${ZELK_MINGW_TRIPLE} ${ZELK_MINGW_PREFIX})

# Headers and libraries come from the Windows side only, build tools from the machine; packages
# from both, because JUCE's CMake package (and its native juceaide) is the machine's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# A plug-in DLL is loaded into someone else's process: it must not need MinGW's runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
