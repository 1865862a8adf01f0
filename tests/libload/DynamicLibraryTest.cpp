#include "platform/native/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "common/TestPlatform.h"

namespace {

const std::string kVisa = SimLibrary("visa");

bool InSimFolder(const CDynamicLibrary& library) {
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(library.Path()).parent_path(),
                                       SFP_SIM_LIB_DIR, error);
}

TEST(DynamicLibrary, LoadsByBareNameAndLooksUpByName) {
    CDynamicLibrary visa = CDynamicLibrary::Load(kVisa);
    ASSERT_TRUE(visa.IsLoaded());
    EXPECT_NE(visa.Lookup("viOpenDefaultRM"), nullptr);
    EXPECT_EQ(visa.Lookup("viNoSuchFunction"), nullptr);
    EXPECT_EQ(visa.Lookup(nullptr), nullptr);
    EXPECT_TRUE(InSimFolder(visa)) << visa.Path();
    EXPECT_FALSE(CDynamicLibrary::Load(SimLibrary("sfp_absent")).IsLoaded());
    EXPECT_EQ(CDynamicLibrary().Lookup("viOpen"), nullptr);
    EXPECT_EQ(CDynamicLibrary().Path(), "");
}

TEST(DynamicLibrary, RefusesNamesThatCarryAPath) {
    for (const std::string& name : {"./" + kVisa, "decoy/" + kVisa, SFP_SIM_LIB_DIR "/" + kVisa,
                                    "..\\" + kVisa, std::string()}) {
        EXPECT_FALSE(CDynamicLibrary::Load(name).IsLoaded()) << name;
    }
    EXPECT_EQ(std::getenv("SFP_DECOY_LOADED"), nullptr);
}

TEST(DynamicLibrary, DecoyInTheCurrentDirectoryIsNeverLoaded) {
    // The set-up this test relies on: decoys here, in the current directory.
    ASSERT_TRUE(std::filesystem::exists(kVisa));
    ASSERT_TRUE(std::filesystem::exists(SimLibrary("sfp_decoy_only")));
#if !defined(_WIN32)
    // Started with a search path that begins with an empty element, which the system loader
    // reads as the current directory; the test's main has started it again without it.
    const char* original = std::getenv("SFP_UNSAFE_LIBRARY_PATH");
    ASSERT_NE(original, nullptr);
    ASSERT_EQ(original[0], ':');
    const char* path = std::getenv("LD_LIBRARY_PATH");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), SFP_SIM_LIB_DIR);
#endif

    CDynamicLibrary visa = CDynamicLibrary::Load(kVisa);
    ASSERT_TRUE(visa.IsLoaded());
    EXPECT_TRUE(InSimFolder(visa)) << visa.Path();
    EXPECT_EQ(visa.Lookup("sfpDecoy"), nullptr);
    EXPECT_FALSE(CDynamicLibrary::Load(SimLibrary("sfp_decoy_only")).IsLoaded())
        << "found only in the current directory";
    EXPECT_EQ(std::getenv("SFP_DECOY_LOADED"), nullptr);
}

TEST(DynamicLibrary, OneOwnerReleasesOnce) {
    // A library nothing else in this test loads, so its presence shows who holds it.
    const std::string name = SimLibrary("visa_no_viFindNext");
    CDynamicLibrary first = CDynamicLibrary::Load(name);
    ASSERT_TRUE(first.IsLoaded());
    CDynamicLibrary second(std::move(first));
    EXPECT_FALSE(first.IsLoaded());
    EXPECT_TRUE(second.IsLoaded());
    CDynamicLibrary third;
    third = std::move(second);
    EXPECT_FALSE(second.IsLoaded());
    EXPECT_TRUE(IsLibraryInProcess(name));
    third = CDynamicLibrary::Load(kVisa);
    EXPECT_FALSE(IsLibraryInProcess(name)) << "replacing the owner's library released the old one";
    third.Release();
    third.Release();
    EXPECT_FALSE(third.IsLoaded());
    {
        CDynamicLibrary scoped = CDynamicLibrary::Load(name);
        EXPECT_TRUE(IsLibraryInProcess(name));
    }
    EXPECT_FALSE(IsLibraryInProcess(name));
}

TEST(DynamicLibrary, LoadFirstTakesTheFirstThatLoads) {
    CDynamicLibrary library = CDynamicLibrary::LoadFirst({SimLibrary("sfp_absent"), kVisa});
    EXPECT_NE(library.Lookup("viOpen"), nullptr);
    EXPECT_FALSE(CDynamicLibrary::LoadFirst({SimLibrary("sfp_absent"), "./" + kVisa}).IsLoaded());
    EXPECT_FALSE(CDynamicLibrary::LoadFirst({}).IsLoaded());
}

TEST(DynamicLibrary, SearchPathElementsThatCanReachTheCurrentDirectory) {
    struct {
        const char* path;
        const char* safe;
        const char* refusedFor;  // the element the refusal names; null when none
    } cases[] = {
        {"", "", nullptr},
        {"/a:/b", "/a:/b", nullptr},
        {":/a", "/a", "\"\""},
        {"/a:", "/a", "\"\""},
        {"/a::/b", "/a:/b", "\"\""},
        {"lib:/a", "/a", "\"lib\""},
        {"/a;./x", "/a", "\"./x\""},
        {"$LIB:/a", "/a", "\"$LIB\""},
        {"/a:$PLATFORM", "/a", "\"$PLATFORM\""},
        {"/opt/$ORIGIN/x:/a", "/a", "\"/opt/$ORIGIN/x\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeSearchPath(c.path), c.safe) << c.path;
        const std::string refusal = SearchPathRefusal(c.path);
        if (c.refusedFor == nullptr) {
            EXPECT_EQ(refusal, "") << c.path;
        } else {
            EXPECT_NE(refusal.find(c.refusedFor), std::string::npos) << c.path << ": " << refusal;
        }
    }
}

#if !defined(_WIN32)

TEST(DynamicLibrary, NothingLoadsWhileTheSearchPathIsUnsafe) {
    const std::string saved = std::getenv("LD_LIBRARY_PATH");
    SetEnvironment("LD_LIBRARY_PATH", std::string(SFP_SIM_LIB_DIR) + ":");
    const bool loaded = CDynamicLibrary::Load(kVisa).IsLoaded();
    const std::string refusal = LibrarySearchRefusal();
    SetEnvironment("LD_LIBRARY_PATH", saved);
    EXPECT_FALSE(loaded);
    EXPECT_NE(refusal, "");
    EXPECT_TRUE(CDynamicLibrary::Load(kVisa).IsLoaded());
}

// Runs the probe in folder with that search path; returns what it printed.
std::string RunProbe(const std::string& folder, const std::string& libraryPath) {
    std::vector<std::string> environment = {"LD_LIBRARY_PATH=" + libraryPath};
    for (const char* keep : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(keep)) {
            environment.push_back(std::string(keep) + "=" + value);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string name = kVisa;
    char* argv[] = {const_cast<char*>(SFP_LOAD_PROBE), name.data(), nullptr};
    int fds[2];
    if (::pipe(fds) != 0) {
        return "pipe failed";
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        if (::chdir(folder.c_str()) == 0) {
            ::execve(SFP_LOAD_PROBE, argv, envp.data());
        }
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string output;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return output;
}

TEST(DynamicLibrary, DecoysBesideTheCurrentDirectoryNeverRun) {
    namespace fs = std::filesystem;
    const fs::path decoy = fs::absolute(kVisa);
    const std::string sim = SFP_SIM_LIB_DIR;
    const struct {
        std::vector<const char*> decoys;  // relative to the current directory
        std::string path;
    } cases[] = {
        {{"glibc-hwcaps/x86-64-v3/libvisa.so", "glibc-hwcaps/x86-64-v2/libvisa.so"}, ":" + sim},
        {{"tls/libvisa.so"}, ":" + sim},
        {{"x86_64/libvisa.so"}, "/nonexistent::" + sim},
        {{"sub/libvisa.so", "sub/x86_64/libvisa.so"}, "sub:" + sim},
        // A dependency of the right library, searched through the same path.
        {{"libyaml-cpp.so.0.7"}, ":" + sim},
        {{"lib/x86_64-linux-gnu/libvisa.so", "lib64/libvisa.so", "lib/libvisa.so"}, "$LIB:" + sim},
        {{"x86_64/libvisa.so", "haswell/libvisa.so"}, "$PLATFORM:" + sim},
    };
    int index = 0;
    for (const auto& c : cases) {
        const fs::path folder = fs::absolute("bypass") / std::to_string(index++);
        fs::remove_all(folder);
        for (const char* file : c.decoys) {
            fs::create_directories((folder / file).parent_path());
            fs::copy_file(decoy, folder / file);
        }
        const std::string output = RunProbe(folder.string(), c.path);
        EXPECT_EQ(output, "loaded " + sim + "/" + kVisa + "\nrestarted\n") << c.path;
    }
}

#endif

}  // namespace
