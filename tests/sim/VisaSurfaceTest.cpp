// The rest of VISA's C interface in the substitute library: the formatted I/O buffers and file
// transfers over a session's messages, and the operations no resource here offers, each
// answering with its status rather than missing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/SimSupport.h"
#include "common/VisaFixture.h"

namespace {

const char* const kMeter = R"(
resources:
  - {name: GPIB0::9::INSTR, idn: "OTHERCO,METER,1,1.0"}
)";
const std::string kIdentity = "OTHERCO,METER,1,1.0\n";

class VisaSurface : public CVisaFixture {
protected:
    // Calls an export by name with exactly these argument types; fails the test when absent.
    template <typename... Args>
    ViStatus Call(const char* name, Args... args) {
        const auto function = LookupFunction<ViStatus(SFP_VI_CALL*)(Args...)>(library, name);
        if (function == nullptr) {
            ADD_FAILURE() << name << " is not exported";
            return VI_SUCCESS;
        }
        return function(args...);
    }
    std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    int Writes() {
        const std::string trace = hooks.Trace();
        int count = 0;
        for (std::size_t at = trace.find("write "); at != std::string::npos;
             at = trace.find("write ", at + 1)) {
            ++count;
        }
        return count;
    }
};

TEST_F(VisaSurface, OperationsNoResourceOffersAnswerTheirStatus) {
    CScenarioFile scenario(kMeter);
    const ViSession rm = OpenRm();
    const ViSession vi = Open(rm, "GPIB0::9::INSTR");
    const ViSession closed = vi + 1000;
    struct Case {
        const char* name;
        std::function<ViStatus(ViSession)> call;
        ViStatus answer;
    };
    const ViStatus nsup = VI_ERROR_NSUP_OPER;
    const ViUInt16 w = 0;
    const Case cases[] = {
        {"viGpibCommand",
         [&](ViSession s) {
             return Call("viGpibCommand", s, (const ViByte*)nullptr, 1u, (ViUInt32*)nullptr);
         },
         nsup},
        {"viGpibControlATN", [&](ViSession s) { return Call("viGpibControlATN", s, w); }, nsup},
        {"viGpibControlREN", [&](ViSession s) { return Call("viGpibControlREN", s, w); }, nsup},
        {"viGpibPassControl", [&](ViSession s) { return Call("viGpibPassControl", s, w, w); },
         nsup},
        {"viGpibSendIFC", [&](ViSession s) { return Call("viGpibSendIFC", s); }, nsup},
        {"viAssertIntrSignal",
         [&](ViSession s) { return Call("viAssertIntrSignal", s, ViInt16{0}, 0u); }, nsup},
        {"viAssertUtilSignal", [&](ViSession s) { return Call("viAssertUtilSignal", s, w); }, nsup},
        {"viMapTrigger",
         [&](ViSession s) { return Call("viMapTrigger", s, ViInt16{0}, ViInt16{1}, w); }, nsup},
        {"viUnmapTrigger",
         [&](ViSession s) { return Call("viUnmapTrigger", s, ViInt16{0}, ViInt16{1}); }, nsup},
        {"viMemAlloc",
         [&](ViSession s) { return Call("viMemAlloc", s, ViBusSize{16}, (ViBusAddress*)nullptr); },
         nsup},
        {"viMemAllocEx",
         [&](ViSession s) {
             return Call("viMemAllocEx", s, ViBusSize{16}, (ViBusAddress64*)nullptr);
         },
         nsup},
        {"viMemFree", [&](ViSession s) { return Call("viMemFree", s, ViBusAddress{0}); }, nsup},
        {"viMemFreeEx", [&](ViSession s) { return Call("viMemFreeEx", s, ViBusAddress64{0}); },
         nsup},
        {"viUsbControlIn",
         [&](ViSession s) {
             return Call("viUsbControlIn", s, ViInt16{0}, ViInt16{0}, w, w, ViUInt16{8},
                         (ViByte*)nullptr, (ViUInt16*)nullptr);
         },
         nsup},
        {"viUsbControlOut",
         [&](ViSession s) {
             return Call("viUsbControlOut", s, ViInt16{0}, ViInt16{0}, w, w, ViUInt16{8},
                         (const ViByte*)nullptr);
         },
         nsup},
        {"viVxiCommandQuery",
         [&](ViSession s) { return Call("viVxiCommandQuery", s, w, 0u, (ViUInt32*)nullptr); },
         nsup},
        {"viReadAsync",
         [&](ViSession s) {
             return Call("viReadAsync", s, (ViByte*)nullptr, 8u, (ViJobId*)nullptr);
         },
         nsup},
        {"viWriteAsync",
         [&](ViSession s) {
             return Call("viWriteAsync", s, (const ViByte*)nullptr, 8u, (ViJobId*)nullptr);
         },
         nsup},
        {"viMoveAsync",
         [&](ViSession s) {
             return Call("viMoveAsync", s, w, ViBusAddress{0}, w, w, ViBusAddress{0}, w,
                         ViBusSize{1}, (ViJobId*)nullptr);
         },
         nsup},
        {"viMoveAsyncEx",
         [&](ViSession s) {
             return Call("viMoveAsyncEx", s, w, ViBusAddress64{0}, w, w, ViBusAddress64{0}, w,
                         ViBusSize{1}, (ViJobId*)nullptr);
         },
         nsup},
        {"viTerminate", [&](ViSession s) { return Call("viTerminate", s, w, ViJobId{1}); },
         VI_ERROR_INV_JOB_ID},
        {"viTerminate degree",
         [&](ViSession s) { return Call("viTerminate", s, ViUInt16{1}, ViJobId{1}); },
         VI_ERROR_INV_DEGREE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(vi), c.answer) << c.name;
        EXPECT_EQ(c.call(closed), VI_ERROR_INV_OBJECT) << c.name;
    }
    EXPECT_EQ(Call("viGpibSendIFC", rm), nsup) << "the resource manager is open";
    EXPECT_EQ(Call("viTerminate", rm, w, ViJobId{1}), VI_ERROR_INV_JOB_ID);
    visa.viClose(rm);
}

TEST_F(VisaSurface, BuffersAndFilesCarryTheSessionsMessages) {
    CScenarioFile scenario(kMeter);
    const ViSession rm = OpenRm();
    const ViSession vi = Open(rm, "GPIB0::9::INSTR");
    const auto bytes = [](const std::string& text) {
        return reinterpret_cast<const ViByte*>(text.data());
    };
    EXPECT_EQ(Call("viSetBuf", vi, ViUInt16(VI_READ_BUF | VI_WRITE_BUF), ViUInt32{8}), VI_SUCCESS);
    EXPECT_EQ(Call("viSetBuf", vi + 1000, VI_READ_BUF, ViUInt32{8}), VI_ERROR_INV_OBJECT);
    ViUInt32 size = 0;
    EXPECT_EQ(visa.viGetAttribute(vi, VI_ATTR_WR_BUF_SIZE, &size), VI_SUCCESS);
    EXPECT_EQ(size, 8u) << "the size viSetBuf gave reads back";

    // viBufWrite holds the command until viFlush sends it; viClear drops what it holds.
    ViUInt32 count = 0;
    const std::string command = "*IDN?\n";
    ASSERT_EQ(Call("viBufWrite", vi, bytes(command), ViUInt32{6}, &count), VI_SUCCESS);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(Writes(), 0);
    ASSERT_EQ(Call("viFlush", vi, VI_WRITE_BUF), VI_SUCCESS);
    EXPECT_EQ(Writes(), 1);
    std::vector<ViByte> reply(64);
    EXPECT_EQ(Call("viBufRead", vi, reply.data(), ViUInt32{64}, &count), VI_SUCCESS);
    EXPECT_EQ(std::string(reply.begin(), reply.begin() + count), kIdentity);
    ASSERT_EQ(Call("viBufWrite", vi, bytes(command), ViUInt32{6}, &count), VI_SUCCESS);
    ASSERT_EQ(Call("viClear", vi), VI_SUCCESS);
    ASSERT_EQ(Call("viFlush", vi, VI_WRITE_BUF), VI_SUCCESS);
    ASSERT_EQ(Call("viBufWrite", vi, bytes(command), ViUInt32{6}, &count), VI_SUCCESS);
    ASSERT_EQ(Call("viFlush", vi, VI_WRITE_BUF_DISCARD), VI_SUCCESS);
    EXPECT_EQ(Writes(), 1) << "cleared and discarded commands are not sent";

    // Files: only count bytes of the command file leave, the reply lands whole.
    const std::string commandFile = scenario.Path() + ".command";
    const std::string replyFile = scenario.Path() + ".reply";
    std::ofstream(commandFile, std::ios::binary) << "*IDN?\nNOT SENT";
    EXPECT_EQ(Call("viWriteFromFile", vi, commandFile.c_str(), ViUInt32{6}, &count), VI_SUCCESS);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(Call("viReadToFile", vi, replyFile.c_str(), ViUInt32{4}, &count), VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(Slurp(replyFile), kIdentity.substr(0, 4));
    EXPECT_EQ(Call("viReadToFile", vi, replyFile.c_str(), ViUInt32{100000}, &count), VI_SUCCESS);
    EXPECT_EQ(Slurp(replyFile), kIdentity.substr(4)) << "written afresh";
    EXPECT_EQ(count, kIdentity.size() - 4);
    ASSERT_EQ(Call("viSetAttribute", vi, VI_ATTR_FILE_APPEND_EN, ViAttrState{VI_TRUE}), VI_SUCCESS);
    ASSERT_EQ(Write(vi, command), VI_SUCCESS);
    EXPECT_EQ(Call("viReadToFile", vi, replyFile.c_str(), ViUInt32{100000}, &count), VI_SUCCESS);
    EXPECT_EQ(Slurp(replyFile), kIdentity.substr(4) + kIdentity) << "appended";
    ASSERT_EQ(Call("viSetAttribute", vi, VI_ATTR_FILE_APPEND_EN, ViAttrState{VI_FALSE}),
              VI_SUCCESS);
    const std::string nowhere = scenario.Path() + ".none/file";
    EXPECT_EQ(Call("viReadToFile", vi, nowhere.c_str(), ViUInt32{10}, &count),
              VI_ERROR_FILE_ACCESS);
    EXPECT_EQ(Call("viWriteFromFile", vi, nowhere.c_str(), ViUInt32{10}, &count),
              VI_ERROR_FILE_ACCESS);
    EXPECT_EQ(Call("viReadToFile", vi, (const ViChar*)nullptr, ViUInt32{10}, &count),
              VI_ERROR_FILE_ACCESS);
#if !defined(_WIN32)
    ASSERT_EQ(Write(vi, command), VI_SUCCESS);
    EXPECT_EQ(Call("viReadToFile", vi, "/dev/full", ViUInt32{100}, &count), VI_ERROR_FILE_IO);
#endif
    std::remove(commandFile.c_str());
    std::remove(replyFile.c_str());
    visa.viClose(rm);
}

}  // namespace
