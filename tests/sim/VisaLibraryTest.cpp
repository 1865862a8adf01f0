// The substitute VISA library through its C interface, loaded by name.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <dlfcn.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <memory>
#endif

#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "common/VisaFixture.h"
#include "instrument/VisaApi.h"
#include "platform/native/DynamicLibrary.h"

namespace {

const char* const kThreeResources = R"(
resources:
  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154, module: {}}
  - {name: GPIB0::9::INSTR, idn: "ZENTRAX-MOLBURY,K3310,7,1.0"}
  - {name: VXI0::0::BACKPLANE}
  - {name: ASRL1::INSTR}
)";

class SimVisa : public CVisaFixture {
protected:
    void SetUp() override {
        CVisaFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        setAttribute = LookupFunction<ViSetAttributeFn>(library, "viSetAttribute");
        statusDesc = LookupFunction<ViStatusDescFn>(library, "viStatusDesc");
        ASSERT_NE(setAttribute, nullptr);
        ASSERT_NE(statusDesc, nullptr);
    }

    struct Reading {
        ViStatus status;
        std::string text;
    };
    Reading Read(ViSession vi, ViUInt32 count) {
        std::string buffer(count, '\x7F');
        ViUInt32 received = 12345;
        const ViStatus status =
            visa.viRead(vi, reinterpret_cast<ViByte*>(buffer.data()), count, &received);
        EXPECT_LE(received, count);
        return {status, buffer.substr(0, received)};
    }
    std::string Describe(ViStatus status) {
        ViChar text[VI_FIND_BUFLEN];
        std::memset(text, 'x', sizeof(text));
        statusDesc(VI_NULL, status, text);
        EXPECT_LT(::strnlen(text, sizeof(text)), sizeof(text)) << "terminated";
        return text;
    }

    ViSetAttributeFn setAttribute = nullptr;
    ViStatusDescFn statusDesc = nullptr;
};

TEST_F(SimVisa, SearchReportsMatchingNamesInOrderOrFails) {
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN] = {};
    // Walks a search to its end; *end is the status that ended it.
    auto walk = [&](ViSession rm, ViStatus* end) {
        std::vector<std::string> names;
        for (ViStatus status = visa.viFindRsrc(rm, "?*INSTR", &list, &count, name);;
             status = visa.viFindNext(list, name)) {
            if (status < 0) {
                *end = status;
                return names;
            }
            names.push_back(name);
        }
    };
    ViStatus last = VI_SUCCESS;
    {
        CScenarioFile scenario(kThreeResources);
        const ViSession rm = OpenRm();
        EXPECT_EQ(walk(rm, &last),
                  (std::vector<std::string>{"VXI0::24::INSTR", "GPIB0::9::INSTR", "ASRL1::INSTR"}));
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(last, VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(visa.viClose(list), VI_SUCCESS);
        EXPECT_EQ(visa.viFindRsrc(rm, "gpib?*", &list, &count, name), VI_SUCCESS);
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(visa.viFindRsrc(rm, "USB?*", &list, &count, name), VI_ERROR_RSRC_NFOUND);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(list, VI_NULL);
        EXPECT_EQ(visa.viFindRsrc(rm, "*INSTR", &list, &count, name), VI_ERROR_INV_EXPR);
        EXPECT_EQ(visa.viFindRsrc(rm + 1000, "?*INSTR", &list, &count, name), VI_ERROR_INV_OBJECT);
        visa.viClose(rm);
    }
    {
        CScenarioFile scenario(std::string("search: {fail_after: 2, fail_status: VI_ERROR_IO}\n") +
                               kThreeResources);
        EXPECT_EQ(walk(OpenRm(), &last).size(), 2u);
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(last, VI_ERROR_IO);
    }
    CScenarioFile scenario(std::string("search: {status: VI_ERROR_SYSTEM_ERROR}\n") +
                           kThreeResources);
    EXPECT_TRUE(walk(OpenRm(), &last).empty());
    EXPECT_EQ(last, VI_ERROR_SYSTEM_ERROR);
}

#if defined(SFP_SIM_TCPIP) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A LAN search that cannot start a single thread (address space used up) still lists the
// scenario's resources: only the network part is lost. In a child, whose memory is capped.
TEST_F(SimVisa, ASearchKeepsTheLocalListWhenTheNetworkPartFails) {
    CScenarioFile scenario(kThreeResources);
    const std::string conf = scenario.Path() + ".conf";
    std::ofstream(conf) << "TCPIP0::127.0.0.1::inst0::INSTR\nTCPIP0::127.0.0.2::inst0::INSTR\n";
    ::setenv("SFP_VISA_CONF", conf.c_str(), 1);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    const auto search = [&] {
        const ViSession rm = OpenRm();
        std::ifstream status("/proc/self/status");
        long sizeKiB = 0;
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmSize:", 0) == 0) {
                sizeKiB = std::atol(line.c_str() + 7);
            }
        }
        // Room for small allocations, none for a thread's stack.
        const rlimit cap{static_cast<rlim_t>(sizeKiB + 1024) * 1024,
                         static_cast<rlim_t>(sizeKiB + 1024) * 1024};
        ::setrlimit(RLIMIT_AS, &cap);
        ViFindList list = VI_NULL;
        ViUInt32 count = 0;
        ViChar name[VI_FIND_BUFLEN] = {};
        const ViStatus found = visa.viFindRsrc(rm, "?*INSTR", &list, &count, name);
        std::fprintf(stderr, "status %d, %u found\n", static_cast<int>(found),
                     static_cast<unsigned>(count));
        ::_exit(found == VI_SUCCESS && count == 3 ? 0 : 1);
    };
    EXPECT_EXIT(search(), ::testing::ExitedWithCode(0), "");
    ::unsetenv("SFP_VISA_CONF");
    std::filesystem::remove(conf);
}
#endif

TEST_F(SimVisa, SessionsOpenAndCloseManyTimes) {
    CScenarioFile scenario(kThreeResources);
    for (int i = 0; i < 300; ++i) {
        const ViSession rm = OpenRm();
        const ViSession vi = Open(rm, "VXI0::24::INSTR");
        ASSERT_NE(vi, VI_NULL);
        ASSERT_EQ(visa.viClose(vi), VI_SUCCESS);
        ASSERT_EQ(visa.viClose(vi), VI_ERROR_INV_OBJECT);
        ASSERT_EQ(visa.viClose(rm), VI_SUCCESS);
    }
    EXPECT_EQ(hooks.OpenSessions(), 0);
    EXPECT_EQ(visa.viClose(VI_NULL), VI_WARN_NULL_OBJECT);

    // Closing a resource manager closes what was opened through it.
    const ViSession rm = OpenRm();
    const ViSession vi = Open(rm, "GPIB0::9::INSTR");
    EXPECT_EQ(visa.viClose(rm), VI_SUCCESS);
    EXPECT_EQ(Write(vi, "*IDN?"), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(hooks.OpenSessions(), 0);
}

TEST_F(SimVisa, OpenTakesVisaNameFormsAndScenarioStatuses) {
    CScenarioFile scenario(R"(
resources:
  - {name: VXI0::24::INSTR}
  - {name: VXI0::25::INSTR, open: VI_ERROR_RSRC_BUSY}
  - {name: VXI0::26::INSTR, open: VI_SUCCESS_DEV_NPRESENT}
  - {name: TCPIP0::lab-rack::INSTR}
)");
    const ViSession rm = OpenRm();
    ViSession vi = 77;
    // Names match without regard to case, the host part too; the session keeps the
    // scenario's spelling.
    const struct {
        const char* name;
        const char* opened;
    } forms[] = {{"VXI0::24::INSTR", "VXI0::24::INSTR"},
                 {"vxi0::24::instr", "VXI0::24::INSTR"},
                 {"VXI0::24", "VXI0::24::INSTR"},
                 {"TCPIP0::LAB-RACK::INSTR", "TCPIP0::lab-rack::INSTR"},
                 {"tcpip0::lab-rack::INST0::instr", "TCPIP0::lab-rack::INSTR"}};
    for (const auto& form : forms) {
        ASSERT_EQ(visa.viOpen(rm, form.name, 0, 0, &vi), VI_SUCCESS) << form.name;
        ViChar opened[VI_FIND_BUFLEN] = {};
        EXPECT_EQ(visa.viGetAttribute(vi, VI_ATTR_RSRC_NAME, opened), VI_SUCCESS);
        EXPECT_STREQ(opened, form.opened) << form.name;
    }
    const struct {
        const char* name;
        ViStatus status;
    } failures[] = {{"", VI_ERROR_INV_RSRC_NAME},
                    {"VXI0::99::INSTR", VI_ERROR_RSRC_NFOUND},
                    {"VXI0::25::INSTR", VI_ERROR_RSRC_BUSY}};
    for (const auto& f : failures) {
        vi = 77;
        EXPECT_EQ(visa.viOpen(rm, f.name, 0, 0, &vi), f.status) << f.name;
        EXPECT_EQ(vi, VI_NULL) << f.name;
    }
    EXPECT_EQ(visa.viOpen(rm, nullptr, 0, 0, &vi), VI_ERROR_INV_RSRC_NAME);
    EXPECT_EQ(visa.viOpen(rm, "VXI0::24::INSTR", 8, 0, &vi), VI_ERROR_INV_ACC_MODE);
    EXPECT_EQ(visa.viOpen(rm, "VXI0::24::INSTR", 0, 0, nullptr), VI_ERROR_INV_PARAMETER);
    EXPECT_EQ(visa.viOpen(rm, "VXI0::26::INSTR", 0, 0, &vi), VI_SUCCESS_DEV_NPRESENT);
    EXPECT_NE(vi, VI_NULL) << "a warning still opens a session";
    visa.viClose(rm);
}

TEST_F(SimVisa, SixteenBitAttributesAreWrittenAsSixteenBits) {
    CScenarioFile scenario(R"(
resources:
  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154}
  - {name: VXI0::25::INSTR, slot: unknown, attribute_status: {model: VI_ERROR_IO, manufacturer: VI_WARN_NSUP_ATTR_STATE}, manufacturer: 1, model: 2}
  - {name: GPIB0::9::INSTR}
)");
    const ViSession rm = OpenRm();
    const ViSession vxi = Open(rm, "VXI0::24::INSTR");
    const ViSession other = Open(rm, "VXI0::25::INSTR");
    const ViSession gpib = Open(rm, "GPIB0::9::INSTR");
    const struct {
        ViSession vi;
        ViAttr attribute;
        ViStatus status;
        int value;  // -1: nothing written
    } cases[] = {
        {vxi, VI_ATTR_INTF_TYPE, VI_SUCCESS, VI_INTF_VXI},
        {vxi, VI_ATTR_SLOT, VI_SUCCESS, 24},
        {vxi, VI_ATTR_MANF_ID, VI_SUCCESS, 0xFFF},
        {vxi, VI_ATTR_MODEL_CODE, VI_SUCCESS, 0x154},
        {other, VI_ATTR_SLOT, VI_SUCCESS, 0xFFFF},
        {other, VI_ATTR_MODEL_CODE, VI_ERROR_IO, -1},
        {other, VI_ATTR_MANF_ID, VI_WARN_NSUP_ATTR_STATE, 1},
        {gpib, VI_ATTR_INTF_TYPE, VI_SUCCESS, VI_INTF_GPIB},
        {gpib, VI_ATTR_SLOT, VI_ERROR_NSUP_ATTR, -1},
        {gpib, VI_ATTR_MANF_ID, VI_ERROR_NSUP_ATTR, -1},
        {gpib, 0x3FFF0999, VI_ERROR_NSUP_ATTR, -1},
        {rm, VI_ATTR_INTF_TYPE, VI_ERROR_NSUP_ATTR, -1},
    };
    for (const auto& c : cases) {
        unsigned char bytes[8];
        std::memset(bytes, 0xAA, sizeof(bytes));
        EXPECT_EQ(visa.viGetAttribute(c.vi, c.attribute, bytes), c.status)
            << std::hex << c.attribute;
        ViUInt16 value = 0;
        std::memcpy(&value, bytes, 2);
        if (c.value >= 0) {
            EXPECT_EQ(value, c.value) << std::hex << c.attribute;
        } else {
            EXPECT_EQ(value, 0xAAAA) << "untouched";
        }
        for (int i = 2; i < 8; ++i) {
            EXPECT_EQ(bytes[i], 0xAA) << "byte " << i << " of " << std::hex << c.attribute;
        }
    }
    EXPECT_EQ(setAttribute(vxi, VI_ATTR_TMO_VALUE, 500), VI_SUCCESS);
    ViUInt32 timeout = 0;
    EXPECT_EQ(visa.viGetAttribute(vxi, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
    EXPECT_EQ(timeout, 500u);
    EXPECT_EQ(setAttribute(vxi, VI_ATTR_SLOT, 3), VI_ERROR_ATTR_READONLY);
    EXPECT_EQ(visa.viGetAttribute(vxi, VI_ATTR_SLOT, nullptr), VI_ERROR_INV_PARAMETER);
    visa.viClose(rm);
    EXPECT_EQ(visa.viGetAttribute(vxi, VI_ATTR_SLOT, &timeout), VI_ERROR_INV_OBJECT);
}

TEST_F(SimVisa, RepliesEndTimeOutOrFillTheBuffer) {
    CScenarioFile scenario(R"(
resources:
  - {name: GPIB0::3::INSTR, idn: "ZENTRAX-MOLBURY,K3310", misbehave: [long_idn]}
  - {name: ASRL1::INSTR}
  - {name: VXI0::24::INSTR, module: {}}
)");
    const ViSession rm = OpenRm();
    ViSession vi = Open(rm, "GPIB0::3::INSTR");
    Write(vi, "*IDN?");
    auto reply = Read(vi, 100);
    EXPECT_EQ(reply.status, VI_SUCCESS_MAX_CNT);
    ASSERT_EQ(reply.text.size(), 100u);
    EXPECT_EQ(reply.text.find_first_of(std::string("\n\0", 2)), std::string::npos);
    EXPECT_EQ(Read(vi, 100).status, VI_ERROR_TMO) << "nothing more to read";

    vi = Open(rm, "ASRL1::INSTR");
    EXPECT_EQ(Write(vi, "*IDN?"), VI_SUCCESS);
    reply = Read(vi, 100);
    EXPECT_EQ(reply.status, VI_ERROR_TMO) << "nobody answers";
    EXPECT_EQ(reply.text, "");

    vi = Open(rm, "VXI0::24::INSTR");
    Write(vi, "*IDN?\n");
    reply = Read(vi, 10);
    EXPECT_EQ(reply.status, VI_SUCCESS_MAX_CNT);
    const auto rest = Read(vi, 100);
    EXPECT_EQ(rest.status, VI_SUCCESS);
    EXPECT_EQ(reply.text + rest.text, "ZENTRAX-MOLBURY,K3310,0,1.0\n");
    visa.viClose(rm);
}

TEST_F(SimVisa, ModuleLatchesEdgesFailsAndReloadsOverMessages) {
    CScenarioFile scenario(R"(
resources:
  - name: VXI0::24::INSTR
    module:
      ports: [{mode: walk}]
      errors: [{code: -310, text: "System error"}]
      fail:
        - {command: "MEAS:DIG:PORT?", status: VI_ERROR_TMO, times: 1}
        - {command: "*RST", status: VI_ERROR_IO}
)");
    const ViSession rm = OpenRm();
    const ViSession vi = Open(rm, "VXI0::24::INSTR");
    auto ask = [&](const std::string& command) {
        EXPECT_EQ(Write(vi, command + "\n"), VI_SUCCESS) << command;
        return Read(vi, 256).text;
    };
    // Port 0 walks a one from bit 0, a step per command: each step is a rising and a falling
    // edge, latched until the register is read.
    EXPECT_EQ(ask("MEAS:DIG:PORT? 0"), "") << "the first reading times out";
    EXPECT_EQ(ask("MEAS:DIG:PORT? 0"), "4\n");
    EXPECT_EQ(ask("SENS:POS:PORT:TRAN? 0"), "14\n") << "bits 1 to 3 rose";
    EXPECT_EQ(ask("SENS:NEG:PORT:TRAN? 0"), "15\n") << "bits 0 to 3 fell";
    EXPECT_EQ(ask("SENS:NEG:PORT:TRAN? 0"), "16\n") << "cleared by the read, then bit 4 fell";
    EXPECT_EQ(ask("SENS:POS:PORT:TRAN? 0"), "112\n");

    ViUInt32 written = 99;
    EXPECT_EQ(visa.viWrite(vi, reinterpret_cast<const ViByte*>("*RST"), 4, &written), VI_ERROR_IO);
    EXPECT_EQ(written, 0u);
    Write(vi, "SYST:ERR?");
    EXPECT_EQ(ask("SYST:ERR?"), "0,\"No error\"\n") << "a new command drops an unread reply";
    visa.viClose(rm);

    // All sessions closed: the next resource manager starts the scenario afresh; while one is
    // open, another resource manager sees the same module.
    const ViSession fresh = Open(OpenRm(), "VXI0::24::INSTR");
    Write(fresh, "SYST:ERR?");
    EXPECT_EQ(Read(fresh, 256).text, "-310,\"System error\"\n");
    const ViSession same = Open(OpenRm(), "VXI0::24::INSTR");
    Write(same, "SYST:ERR?");
    EXPECT_EQ(Read(same, 256).text, "0,\"No error\"\n");
}

TEST_F(SimVisa, MalformedScenarioIsReportedAndEveryCallFailsCleanly) {
    CScenarioFile scenario("resources:\n  - name: VXI0::24::INSTR\n    modle: 0x154\n");
    ::testing::internal::CaptureStderr();
    ViSession rm = 77;
    EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    EXPECT_EQ(rm, VI_NULL);
    const std::string where = scenario.Path() + ":3: unknown key 'modle'";
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(where), std::string::npos);
    EXPECT_NE(Describe(VI_ERROR_SYSTEM_ERROR).find(where), std::string::npos);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "said once per file";
    ViChar name[VI_FIND_BUFLEN] = {};
    ViUInt32 count = 0;
    ViFindList list = VI_NULL;
    ViByte byte = 0;
    for (ViSession vi = 0; vi < 50; ++vi) {
        EXPECT_LT(visa.viFindRsrc(vi, "?*INSTR", &list, &count, name), 0);
        EXPECT_LT(visa.viFindNext(vi, name), 0);
        EXPECT_LT(visa.viOpen(vi, "VXI0::24::INSTR", 0, 0, &rm), 0);
        EXPECT_LT(visa.viGetAttribute(vi, VI_ATTR_SLOT, &count), 0);
        EXPECT_LT(visa.viWrite(vi, &byte, 1, &count), 0);
        EXPECT_LT(visa.viRead(vi, &byte, 1, &count), 0);
        EXPECT_LT(setAttribute(vi, VI_ATTR_TMO_VALUE, 1), 0);
    }
    CScenarioFile good(kThreeResources);
    EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_SUCCESS) << "a good scenario brings it back";
    visa.viClose(rm);
}

TEST_F(SimVisa, MissingScenarioFileIsNamed) {
    SetEnvironment(sim::kScenarioVariable, "/nonexistent/k3310.yaml");
    ::testing::internal::CaptureStderr();
    ViSession rm = VI_NULL;
    EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    EXPECT_NE(
        ::testing::internal::GetCapturedStderr().find("/nonexistent/k3310.yaml:0: cannot read"),
        std::string::npos);
    UnsetEnvironment(sim::kScenarioVariable);
    EXPECT_EQ(visa.viOpenDefaultRM(&rm), VI_SUCCESS) << "the built-in scenario";
    visa.viClose(rm);
}

TEST_F(SimVisa, StatusDescriptionsFitTheBuffer) {
    EXPECT_NE(Describe(VI_ERROR_TMO).find("VI_ERROR_TMO"), std::string::npos);
    ViChar text[VI_FIND_BUFLEN];
    EXPECT_EQ(statusDesc(VI_NULL, VI_ERROR_RSRC_NFOUND, text), VI_SUCCESS);
    EXPECT_EQ(statusDesc(VI_NULL, ViStatusFromBits(0xBFFF7777), text), VI_WARN_UNKNOWN_STATUS);
    EXPECT_NE(std::string(text).find("BFFF7777"), std::string::npos);
    EXPECT_EQ(statusDesc(VI_NULL, VI_SUCCESS, nullptr), VI_ERROR_USER_BUF);
}

#if !defined(_WIN32)
// A copy of the library in a folder without the parts it loads: it looks for them beside itself
// only (the search path, which has them, must not be used). Without them the built-in module
// still serves; a TCPIP open fails with a status, and a named scenario file is refused.
TEST(SimVisaLoadedParts, MissingPartsCostOnlyTheirUse) {
    namespace fs = std::filesystem;
    const CDynamicLibrary original = CDynamicLibrary::Load(SimLibrary("visa"));
    ASSERT_TRUE(original.IsLoaded()) << "the sim library folder must be on the library path";
    struct Folder {
        fs::path path =
            fs::temp_directory_path() / ("sfp-lone-visa-" + std::to_string(ProcessId()));
        ~Folder() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } folder;
    fs::create_directories(folder.path);
    fs::copy_file(original.Path(), folder.path / "libvisa.so");
    const fs::path conf = folder.path / "visa.conf";
    std::ofstream(conf) << "TCPIP0::127.0.0.1::inst0::INSTR\n";
    const char* previous = std::getenv("SFP_VISA_CONF");
    const std::string previousConf = previous != nullptr ? previous : "";
    SetEnvironment("SFP_VISA_CONF", conf.string());
    UnsetEnvironment("SFP_SIM_SCENARIO");

    const std::unique_ptr<void, int (*)(void*)> copy(
        dlopen((folder.path / "libvisa.so").c_str(), RTLD_NOW | RTLD_LOCAL), dlclose);
    ASSERT_NE(copy, nullptr) << dlerror();
    const auto openRm = reinterpret_cast<ViOpenDefaultRMFn>(dlsym(copy.get(), "viOpenDefaultRM"));
    const auto open = reinterpret_cast<ViOpenFn>(dlsym(copy.get(), "viOpen"));
    const auto find = reinterpret_cast<ViFindRsrcFn>(dlsym(copy.get(), "viFindRsrc"));
    const auto close = reinterpret_cast<ViCloseFn>(dlsym(copy.get(), "viClose"));
    ASSERT_TRUE(openRm != nullptr && open != nullptr && find != nullptr && close != nullptr);

    ViSession rm = VI_NULL;
    ASSERT_EQ(openRm(&rm), VI_SUCCESS);
#if defined(SFP_SIM_TCPIP)
    ViSession vi = VI_NULL;
    EXPECT_EQ(open(rm, "TCPIP0::127.0.0.1::inst0::INSTR", 0, 0, &vi), VI_ERROR_LIBRARY_NFOUND);
#endif
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(find(rm, "?*INSTR", &list, &count, name), VI_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_STREQ(name, "VXI0::24::INSTR");
    close(list);
    close(rm);

    const CScenarioFile named(kThreeResources);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openRm(&rm), VI_ERROR_SYSTEM_ERROR);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot read scenario files"),
              std::string::npos);
    SetEnvironment("SFP_VISA_CONF", previousConf);
}
#endif

}  // namespace
