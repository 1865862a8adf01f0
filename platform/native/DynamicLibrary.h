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
    // current directory. A name with a path separator is refused. Empty on failure.
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

// The names the VISA library goes by on this platform, most preferred first.
std::vector<std::string> VisaLibraryNames();
// The name of the module's instrument-driver library on this platform.
std::string DriverLibraryName();
