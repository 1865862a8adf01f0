// Loads one library the way the program does, in a process of its own, and says what it got:
// "loaded <path>" or "none", then "decoy" when a decoy's initialiser ran and "restarted" when
// the search path had to be cleaned.
#include <cstdio>
#include <cstdlib>

#include "platform/native/DynamicLibrary.h"

int main(int argc, char** argv) {
    RestartWithSafeLibraryPath(argv);
    if (argc != 2) {
        return 2;
    }
    CDynamicLibrary library = CDynamicLibrary::Load(argv[1]);
    std::printf("%s%s\n", library ? "loaded " : "none", library.Path().c_str());
    if (std::getenv("SFP_DECOY_LOADED") != nullptr) {
        std::printf("decoy\n");
    }
    if (std::getenv("SFP_UNSAFE_LIBRARY_PATH") != nullptr) {
        std::printf("restarted\n");
    }
    return 0;
}
