#include "platform/native/DynamicLibrary.h"

#include <cstdlib>
#include <utility>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#endif

namespace {

bool HasPathSeparator(const std::string& name) {
    return name.find('/') != std::string::npos || name.find('\\') != std::string::npos;
}

std::vector<std::string> SplitSearchPath(const std::string& path) {
    std::vector<std::string> elements;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        std::string::size_type end = path.find_first_of(":;", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        elements.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return elements;
}

}  // namespace

CDynamicLibrary::~CDynamicLibrary() {
    Release();
}

CDynamicLibrary::CDynamicLibrary(CDynamicLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

CDynamicLibrary& CDynamicLibrary::operator=(CDynamicLibrary&& other) noexcept {
    if (this != &other) {
        Release();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

CDynamicLibrary CDynamicLibrary::Load(const std::string& name) {
    if (name.empty() || HasPathSeparator(name)) {
        return CDynamicLibrary();
    }
#if defined(_WIN32)
    // The program reports a library that cannot be loaded itself: no system dialog first.
    DWORD previousMode = 0;
    const BOOL modeSet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    // The default search without the current directory and without the PATH.
    HMODULE handle = ::LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (modeSet) {
        ::SetThreadErrorMode(previousMode, nullptr);
    }
    return CDynamicLibrary(handle);
#else
    if (!LibrarySearchRefusal().empty()) {
        return CDynamicLibrary();
    }
    return CDynamicLibrary(::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL));
#endif
}

CDynamicLibrary CDynamicLibrary::LoadFirst(const std::vector<std::string>& names) {
    for (const auto& name : names) {
        CDynamicLibrary library = Load(name);
        if (library) {
            return library;
        }
    }
    return CDynamicLibrary();
}

ProcAddress CDynamicLibrary::Lookup(const char* name) const {
    if (m_handle == nullptr || name == nullptr) {
        return nullptr;
    }
#if defined(_WIN32)
    return reinterpret_cast<ProcAddress>(::GetProcAddress(static_cast<HMODULE>(m_handle), name));
#else
    return reinterpret_cast<ProcAddress>(::dlsym(m_handle, name));
#endif
}

std::string CDynamicLibrary::Path() const {
    if (m_handle == nullptr) {
        return std::string();
    }
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(static_cast<HMODULE>(m_handle), path, MAX_PATH);
    return std::string(path, length);
#else
    link_map* map = nullptr;
    if (::dlinfo(m_handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
        map->l_name == nullptr) {
        return std::string();
    }
    return map->l_name;
#endif
}

void CDynamicLibrary::Release() {
    if (m_handle == nullptr) {
        return;
    }
#if defined(_WIN32)
    ::FreeLibrary(static_cast<HMODULE>(m_handle));
#else
    ::dlclose(m_handle);
#endif
    m_handle = nullptr;
}

bool IsUnsafeSearchPathElement(const std::string& element) {
    return element.empty() || element[0] != '/' || element.find('$') != std::string::npos;
}

std::string SafeSearchPath(const std::string& path) {
    std::string safe;
    for (const std::string& element : SplitSearchPath(path)) {
        if (!IsUnsafeSearchPathElement(element)) {
            safe += (safe.empty() ? "" : ":") + element;
        }
    }
    return safe;
}

std::string SearchPathRefusal(const std::string& path) {
    if (path.empty()) {
        return std::string();
    }
    for (const std::string& element : SplitSearchPath(path)) {
        if (IsUnsafeSearchPathElement(element)) {
            return "LD_LIBRARY_PATH holds \"" + element +
                   "\", which the loader would search relative to the current directory or "
                   "expand; no library is loaded. Remove it, or start the program normally: it "
                   "restarts itself without such elements.";
        }
    }
    return std::string();
}

std::string LibrarySearchRefusal() {
#if defined(_WIN32)
    return std::string();
#else
    const char* path = std::getenv("LD_LIBRARY_PATH");
    return SearchPathRefusal(path != nullptr ? path : "");
#endif
}

void RestartWithSafeLibraryPath(char** argv) {
#if defined(_WIN32)
    (void)argv;
#else
    const char* path = std::getenv("LD_LIBRARY_PATH");
    if (path == nullptr || SearchPathRefusal(path).empty() ||
        std::getenv("SFP_UNSAFE_LIBRARY_PATH") != nullptr) {
        return;  // nothing to remove, or removed once already
    }
    const std::string original(path);
    const std::string safe = SafeSearchPath(original);
    ::setenv("SFP_UNSAFE_LIBRARY_PATH", original.c_str(), 1);
    if (safe.empty()) {
        ::unsetenv("LD_LIBRARY_PATH");
    } else {
        ::setenv("LD_LIBRARY_PATH", safe.c_str(), 1);
    }
    ::execv("/proc/self/exe", argv);
    // Not restarted: put the path back, so that loading refuses and says why.
    ::setenv("LD_LIBRARY_PATH", original.c_str(), 1);
#endif
}

std::vector<std::string> VisaLibraryNames() {
#if defined(_WIN32)
    return {"VISA32.DLL"};
#else
    // The shared components' router is the second choice when no vendor library is installed.
    return {"libvisa.so", "libivivisa.so.0"};
#endif
}

std::string DriverLibraryName() {
#if defined(_WIN32)
    return "aqk3310_32.dll";
#else
    return "libaqk3310.so";
#endif
}
