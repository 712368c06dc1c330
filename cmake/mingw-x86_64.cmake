# Cross-builds the Windows edition with MinGW-w64 (x86_64) on a Linux host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALVORO_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix thread model gives the whole C++ thread library (std::mutex, std::thread); the
# runtime is linked statically, so the program stays one self-contained file.
find_program(CMAKE_CXX_COMPILER
  NAMES ${TALVORO_MINGW_TRIPLE}-g++-posix ${TALVORO_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TALVORO_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVORO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
