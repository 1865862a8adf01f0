#include "platform/native/DynamicLibrary.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

bool InSimFolder(const CDynamicLibrary& library) {
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(library.Path()).parent_path(),
                                       SFP_SIM_LIB_DIR, error);
}

bool LoadedInProcess(const char* soname) {
    void* probe = ::dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
    if (probe != nullptr) {
        ::dlclose(probe);
    }
    return probe != nullptr;
}

TEST(DynamicLibrary, LoadsByBareNameAndLooksUpByName) {
    CDynamicLibrary visa = CDynamicLibrary::Load("libvisa.so");
    ASSERT_TRUE(visa.IsLoaded());
    EXPECT_NE(visa.Lookup("viOpenDefaultRM"), nullptr);
    EXPECT_EQ(visa.Lookup("viNoSuchFunction"), nullptr);
    EXPECT_EQ(visa.Lookup(nullptr), nullptr);
    EXPECT_TRUE(InSimFolder(visa)) << visa.Path();
    EXPECT_FALSE(CDynamicLibrary::Load("libsfp_absent.so").IsLoaded());
    EXPECT_EQ(CDynamicLibrary().Lookup("viOpen"), nullptr);
    EXPECT_EQ(CDynamicLibrary().Path(), "");
}

TEST(DynamicLibrary, RefusesNamesThatCarryAPath) {
    for (const std::string& name : {std::string("./libvisa.so"), std::string("decoy/libvisa.so"),
                                   std::string(SFP_SIM_LIB_DIR "/libvisa.so"),
                                   std::string("..\\libvisa.so"), std::string()}) {
        EXPECT_FALSE(CDynamicLibrary::Load(name).IsLoaded()) << name;
    }
    EXPECT_EQ(std::getenv("SFP_DECOY_LOADED"), nullptr);
}

TEST(DynamicLibrary, DecoyInTheCurrentDirectoryIsNeverLoaded) {
    // The set-up this test relies on: decoys here, and a search path that starts with an empty
    // element, which the system loader reads as the current directory.
    ASSERT_EQ(::access("libvisa.so", F_OK), 0);
    ASSERT_EQ(::access("libsfp_decoy_only.so", F_OK), 0);
    const char* path = std::getenv("LD_LIBRARY_PATH");
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path[0], ':');

    CDynamicLibrary visa = CDynamicLibrary::Load("libvisa.so");
    ASSERT_TRUE(visa.IsLoaded());
    EXPECT_TRUE(InSimFolder(visa)) << visa.Path();
    EXPECT_EQ(visa.Lookup("sfpDecoy"), nullptr);
    EXPECT_FALSE(CDynamicLibrary::Load("libsfp_decoy_only.so").IsLoaded())
        << "found only in the current directory";
    EXPECT_EQ(std::getenv("SFP_DECOY_LOADED"), nullptr);
}

TEST(DynamicLibrary, OneOwnerReleasesOnce) {
    // A library nothing else in this test loads, so its presence shows who holds it.
    const char* name = "libvisa_no_viFindNext.so";
    CDynamicLibrary first = CDynamicLibrary::Load(name);
    ASSERT_TRUE(first.IsLoaded());
    CDynamicLibrary second(std::move(first));
    EXPECT_FALSE(first.IsLoaded());
    EXPECT_TRUE(second.IsLoaded());
    CDynamicLibrary third;
    third = std::move(second);
    EXPECT_FALSE(second.IsLoaded());
    EXPECT_TRUE(LoadedInProcess(name));
    third = CDynamicLibrary::Load("libvisa.so");
    EXPECT_FALSE(LoadedInProcess(name)) << "replacing the owner's library released the old one";
    third.Release();
    third.Release();
    EXPECT_FALSE(third.IsLoaded());
    {
        CDynamicLibrary scoped = CDynamicLibrary::Load(name);
        EXPECT_TRUE(LoadedInProcess(name));
    }
    EXPECT_FALSE(LoadedInProcess(name));
}

TEST(DynamicLibrary, LoadFirstTakesTheFirstThatLoads) {
    CDynamicLibrary library = CDynamicLibrary::LoadFirst({"libsfp_absent.so", "libvisa.so"});
    EXPECT_NE(library.Lookup("viOpen"), nullptr);
    EXPECT_FALSE(CDynamicLibrary::LoadFirst({"libsfp_absent.so", "./libvisa.so"}).IsLoaded());
    EXPECT_FALSE(CDynamicLibrary::LoadFirst({}).IsLoaded());
}

}  // namespace
