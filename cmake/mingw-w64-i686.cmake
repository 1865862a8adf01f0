# 32-bit Windows, as the VISA and driver libraries are: cmake -DCMAKE_TOOLCHAIN_FILE=<this file>
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SFP_MINGW_TRIPLE i686-w64-mingw32)
set(SFP_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
