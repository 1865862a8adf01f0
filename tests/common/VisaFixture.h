#pragma once
// What the tests of the substitute VISA library share: the library loaded by name (the copy
// the program would load), the entry points the program binds, the library's test hooks, and
// the steps every case starts with.

#include <gtest/gtest.h>

#include <string>

#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/VisaApi.h"
#include "platform/native/DynamicLibrary.h"

class CVisaFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.IsLoaded()) << "the sim library folder must be on the library path";
        ASSERT_TRUE(visa.Bind(library));
    }

    ViSession OpenRm() {
        ViSession rm = VI_NULL;
        EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_SUCCESS);
        return rm;
    }
    ViSession Open(ViSession rm, const char* name = "VXI0::24::INSTR") {
        ViSession vi = VI_NULL;
        EXPECT_EQ(visa.viOpen(rm, name, 0, 0, &vi), VI_SUCCESS) << name;
        return vi;
    }
    ViStatus Write(ViSession vi, const std::string& text) {
        ViUInt32 written = 0;
        return visa.viWrite(vi, reinterpret_cast<const ViByte*>(text.data()),
                            static_cast<ViUInt32>(text.size()), &written);
    }

    CDynamicLibrary library = CDynamicLibrary::Load(SimLibrary("visa"));
    CVisaApi visa;
    CSimHooks hooks;
};
