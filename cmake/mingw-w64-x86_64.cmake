# 64-bit Windows: cmake -DCMAKE_TOOLCHAIN_FILE=<this file>. Runs under a 64-bit-only Wine where
# 32-bit programs cannot (a kernel without 32-bit support).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(SFP_MINGW_TRIPLE x86_64-w64-mingw32)
set(SFP_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
