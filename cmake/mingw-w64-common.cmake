# Shared by the mingw-w64 toolchain files, which set SFP_MINGW_TRIPLE and SFP_WINE_NAMES first.
# Debian's compilers: the "posix" flavour, as GCC 12's "win32" one has no std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SFP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SFP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SFP_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SFP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libgcc, libstdc++, winpthread) goes into every executable and DLL, so
# they run with nothing copied beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)

# Tests run under Wine where one that runs this architecture is installed.
find_program(SFP_WINE NAMES ${SFP_WINE_NAMES} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT SFP_WINE)
    find_program(SFP_WINE NAMES ${SFP_WINE_NAMES})
endif()
if(SFP_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SFP_WINE})
endif()
