#pragma once

#include <string>
#include <vector>

// The address of an exported function, before it is cast to its real type.
using ProcAddress = void (*)();

// Anything that hands out functions by name: a loaded library, or a table of fakes in tests.
class ISymbolSource {
public:
    virtual ~ISymbolSource() = default;
    // Null when there is no such export.
    virtual ProcAddress Lookup(const char* name) const = 0;
};

template <typename Function>
Function LookupFunction(const ISymbolSource& source, const char* name) {
    return reinterpret_cast<Function>(source.Lookup(name));
}

// The one owner of a loaded library: unloads it when destroyed or released. Move-only.
class CDynamicLibrary final : public ISymbolSource {
public:
    CDynamicLibrary() = default;
    ~CDynamicLibrary() override;
    CDynamicLibrary(CDynamicLibrary&& other) noexcept;
    CDynamicLibrary& operator=(CDynamicLibrary&& other) noexcept;
    CDynamicLibrary(const CDynamicLibrary&) = delete;
    CDynamicLibrary& operator=(const CDynamicLibrary&) = delete;

    // Loads a library by its bare file name through the system's search rules, never from the
    // current directory. A name with a path separator is refused, and so is every name while
    // the search path holds an element the loader would read relative to the current
    // directory (see LibrarySearchRefusal). Empty on failure.
    static CDynamicLibrary Load(const std::string& name);
    // The first of the names that loads.
    static CDynamicLibrary LoadFirst(const std::vector<std::string>& names);

    bool IsLoaded() const { return m_handle != nullptr; }
    explicit operator bool() const { return IsLoaded(); }
    ProcAddress Lookup(const char* name) const override;
    // The file the library was loaded from; empty when nothing is loaded.
    std::string Path() const;
    void Release();

private:
    explicit CDynamicLibrary(void* handle) : m_handle(handle) {}
    void* m_handle = nullptr;
};

// The system loader reads LD_LIBRARY_PATH (split at ':' and ';') once, when the process starts,
// and searches each element and its glibc-hwcaps/, tls/ and x86_64/ folders, for the library and
// for every library it depends on; it expands $ORIGIN, $LIB and $PLATFORM. An element that is
// empty, does not start with '/' or holds a '$' can thus reach the current directory or a folder
// below it, whatever name is asked for.
bool IsUnsafeSearchPathElement(const std::string& element);
// The path without those elements.
std::string SafeSearchPath(const std::string& path);
// Why no library may be loaded while the search path is path: names the first unsafe element.
// Empty when the path is safe (an empty path is not read at all).
std::string SearchPathRefusal(const std::string& path);
// The same for this process's LD_LIBRARY_PATH; always empty on Windows.
std::string LibrarySearchRefusal();
// First thing in main: when LD_LIBRARY_PATH holds unsafe elements, starts the program again
// (once) with them removed, keeping the old value in SFP_UNSAFE_LIBRARY_PATH. Returns when no
// restart is needed or it failed; then LibrarySearchRefusal says why nothing will load.
void RestartWithSafeLibraryPath(char** argv);

// The names the VISA library goes by on this platform, most preferred first.
std::vector<std::string> VisaLibraryNames();
// The name of the module's instrument-driver library on this platform.
std::string DriverLibraryName();
