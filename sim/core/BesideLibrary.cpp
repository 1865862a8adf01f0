#include "sim/core/BesideLibrary.h"

#include <dlfcn.h>

#include <cstdlib>

namespace sim {

namespace {

// With its '/' at the end; empty when it cannot be told.
std::string OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) {
        return std::string();
    }
    // A library found through a relative search path element has a relative name.
    std::string file = info.dli_fname;
    if (char* absolute = realpath(info.dli_fname, nullptr)) {
        file = absolute;
        std::free(absolute);
    }
    return file.substr(0, file.rfind('/') + 1);
}

}  // namespace

CBesideLibrary::CBesideLibrary(const char* fileName) {
    const std::string folder = OwnFolder();
    if (folder.empty()) {
        // A bare name would be looked for along the search path: nothing is loaded instead.
        m_error = std::string("cannot tell the folder to load ") + fileName + " from";
        return;
    }
    const std::string path = folder + fileName;
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (m_handle == nullptr) {
        const char* why = dlerror();
        m_error = why != nullptr ? why : "cannot load " + path;
    }
}

CBesideLibrary::~CBesideLibrary() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

void* CBesideLibrary::Lookup(const char* name) const {
    return m_handle != nullptr ? dlsym(m_handle, name) : nullptr;
}

}  // namespace sim
