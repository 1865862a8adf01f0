#include "common/TestPlatform.h"

#include <cstdlib>

#include "platform/native/DynamicLibrary.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <process.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

void SetEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

void UnsetEnvironment(const char* name) {
#if defined(_WIN32)
    ::_putenv_s(name, "");  // an empty value removes the variable
#else
    ::unsetenv(name);
#endif
}

int ProcessId() {
#if defined(_WIN32)
    return ::_getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

std::string SimLibrary(const std::string& stem) {
    if (stem == "visa") {
        return VisaLibraryNames().front();
    }
    if (stem == "aqk3310") {
        return DriverLibraryName();
    }
#if defined(_WIN32)
    return stem + ".dll";
#else
    return "lib" + stem + ".so";
#endif
}

bool IsLibraryInProcess(const std::string& fileName) {
#if defined(_WIN32)
    return ::GetModuleHandleA(fileName.c_str()) != nullptr;
#else
    void* probe = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (probe != nullptr) {
        ::dlclose(probe);
    }
    return probe != nullptr;
#endif
}

void IgnoreUserVisaConfiguration() {
    if (std::getenv("SFP_VISA_CONF") == nullptr) {
#if defined(_WIN32)
        SetEnvironment("SFP_VISA_CONF", "NUL");
#else
        SetEnvironment("SFP_VISA_CONF", "/dev/null");
#endif
    }
}
