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

#if !defined(_WIN32)

bool FileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// The loader reads LD_LIBRARY_PATH before it reads anything else, and an empty or relative
// element there means the current directory (or one below it). Where such an element would
// hand the loader a copy of the library, load the copy from the first absolute element instead,
// or refuse when there is none. Returns what to pass to dlopen; empty means refuse.
std::string SafeLoadName(const std::string& name) {
    const char* env = std::getenv("LD_LIBRARY_PATH");
    if (env == nullptr || *env == '\0') {
        return name;  // an empty variable is ignored by the loader
    }
    const std::string path(env);
    bool shadowed = false;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        std::string::size_type end = path.find_first_of(":;", start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string element = path.substr(start, end - start);
        start = end + 1;
        if (!element.empty() && element[0] == '$') {
            continue;  // $ORIGIN and friends never name the current directory
        }
        const bool relative = element.empty() || element[0] != '/';
        const std::string candidate = element.empty() ? name : element + "/" + name;
        if (!FileExists(candidate)) {
            continue;
        }
        if (relative) {
            shadowed = true;
            continue;
        }
        return shadowed ? candidate : name;
    }
    return shadowed ? std::string() : name;
}

#endif

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
    const std::string loadName = SafeLoadName(name);
    if (loadName.empty()) {
        return CDynamicLibrary();
    }
    return CDynamicLibrary(::dlopen(loadName.c_str(), RTLD_NOW | RTLD_LOCAL));
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
