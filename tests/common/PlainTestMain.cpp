// The main of the test areas without Qt, on Linux and on Windows.
#include <gtest/gtest.h>

#include "common/TestPlatform.h"
#include "platform/native/DynamicLibrary.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

int main(int argc, char** argv) {
    // As the program does: a library search path that reaches the current directory is cleaned
    // by starting again.
    RestartWithSafeLibraryPath(argv);
    IgnoreUserVisaConfiguration();
#if defined(_WIN32)
    // A crash or a library that cannot be loaded must fail the test at once, not open a dialog
    // or a debugger (as Wine does) that waits for nobody.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
