#include "platform/native/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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
    // A search path that starts with an empty element, which the system loader reads as the
    // current directory.
    const char* path = std::getenv("LD_LIBRARY_PATH");
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path[0], ':');
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

}  // namespace
