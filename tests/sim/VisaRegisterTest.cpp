// The register access exports beyond viIn/viOut/viMoveIn16, through the library loaded by name:
// 8- and 16-bit accesses on a VXI device's A16 registers, 32- and 64-bit ones refused as D16,
// 64-bit offsets kept whole, and windows mapped for viPeek/viPoke.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/VisaApi.h"
#include "platform/native/DynamicLibrary.h"

namespace {

using Offset = ViBusAddress64;
using Size = ViBusSize;
using Space = ViUInt16;

const char* const kModule = R"(
resources:
  - name: VXI0::24::INSTR
    manufacturer: 0xFFF
    model: 0x154
    module: {ports: [0x1111, 0x2222, 0x3333, 0x4444]}
)";

class VisaRegisters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.IsLoaded()) << "the sim library folder must be on the library path";
        ASSERT_TRUE(visa.Bind(library));
        ViSession rm = VI_NULL;
        ASSERT_EQ(visa.viOpenDefaultRM(&rm), VI_SUCCESS);
        ASSERT_EQ(visa.viOpen(rm, "VXI0::24::INSTR", 0, 0, &vi), VI_SUCCESS);
    }
    void TearDown() override { visa.viClose(vi); }
    // An export by name, as the C type it has.
    template <typename Fn>
    Fn Get(const char* name) {
        const auto fn = reinterpret_cast<Fn>(library.Lookup(name));
        EXPECT_NE(fn, nullptr) << name;
        return fn;
    }

    CScenarioFile scenario{kModule};
    CDynamicLibrary library = CDynamicLibrary::Load(SimLibrary("visa"));
    CVisaApi visa;
    CSimHooks hooks;
    ViSession vi = VI_NULL;
};

TEST_F(VisaRegisters, EightAndSixteenBitAccessesReachTheBigEndianRegisters) {
    const auto in8 = Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt8*)>("viIn8Ex");
    const auto in16 = Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt16*)>("viIn16Ex");
    const auto moveIn8 =
        Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, Size, ViUInt8*)>("viMoveIn8");
    const auto moveIn16 =
        Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, Size, ViUInt16*)>("viMoveIn16Ex");
    const auto out8 = Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt8)>("viOut8Ex");
    const auto moveOut16 =
        Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, Size, const ViUInt16*)>(
            "viMoveOut16");
    const auto moveOut8 =
        Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, Size, const ViUInt8*)>("viMoveOut8Ex");
    const auto setAttribute =
        Get<ViStatus(SFP_VI_CALL*)(ViObject, ViAttr, ViAttrState)>("viSetAttribute");
    ASSERT_TRUE(in8 && in16 && moveIn8 && moveIn16 && out8 && moveOut16 && moveOut8 &&
                setAttribute);

    ViUInt8 byte = 0;
    ViUInt16 word = 0;
    EXPECT_EQ(in8(vi, VI_A16_SPACE, 0, &byte), VI_SUCCESS);
    EXPECT_EQ(byte, 0xCF);
    EXPECT_EQ(in8(vi, VI_A16_SPACE, 3, &byte), VI_SUCCESS);
    EXPECT_EQ(byte, 0x54);
    EXPECT_EQ(in16(vi, VI_A16_SPACE, 2, &word), VI_SUCCESS);
    EXPECT_EQ(word, 0xF154);
    // One past 32 bits is past the registers, not register 2 again.
    EXPECT_EQ(in16(vi, VI_A16_SPACE, (Offset{1} << 32) + 2, &word), VI_ERROR_INV_OFFSET);

    std::vector<ViUInt8> bytes(4);
    EXPECT_EQ(moveIn8(vi, VI_A16_SPACE, 1, 3, bytes.data()), VI_SUCCESS);
    EXPECT_EQ(bytes, (std::vector<ViUInt8>{0xFF, 0xF1, 0x54, 0}));
    EXPECT_EQ(moveIn8(vi, VI_A16_SPACE, 0x3E, 3, bytes.data()), VI_ERROR_INV_LENGTH);
    std::vector<ViUInt16> words(3);
    EXPECT_EQ(moveIn16(vi, VI_A16_SPACE, 0, 2, words.data()), VI_SUCCESS);
    EXPECT_EQ(words, (std::vector<ViUInt16>{0xCFFF, 0xF154, 0}));
    EXPECT_EQ(moveIn16(vi, VI_A16_SPACE, 1, 1, words.data()), VI_ERROR_INV_OFFSET);
    // Without increments a block stays on one register, as a FIFO is read.
    EXPECT_EQ(setAttribute(vi, VI_ATTR_SRC_INCREMENT, 0), VI_SUCCESS);
    EXPECT_EQ(moveIn16(vi, VI_A16_SPACE, 2, 3, words.data()), VI_SUCCESS);
    EXPECT_EQ(words, (std::vector<ViUInt16>{0xF154, 0xF154, 0xF154}));

    // Writes are ignored by the identification registers, and traced.
    const ViUInt16 written[] = {0x1234, 0x5678};
    const ViUInt8 writtenBytes[] = {9};
    EXPECT_EQ(out8(vi, VI_A16_SPACE, 5, 7), VI_SUCCESS);
    EXPECT_EQ(moveOut16(vi, VI_A16_SPACE, 4, 2, written), VI_SUCCESS);
    EXPECT_EQ(setAttribute(vi, VI_ATTR_DEST_INCREMENT, 0), VI_SUCCESS);
    EXPECT_EQ(moveOut8(vi, VI_A16_SPACE, 9, 1, writtenBytes), VI_SUCCESS);
    EXPECT_EQ(moveOut16(vi, VI_A16_SPACE, 0x40, 1, written), VI_ERROR_INV_OFFSET);
    const std::string trace = hooks.Trace();
    for (const char* line : {"out VXI0::24::INSTR 5 7\n", "out VXI0::24::INSTR 4 4660\n",
                             "out VXI0::24::INSTR 6 22136\n", "out VXI0::24::INSTR 9 9\n"}) {
        EXPECT_NE(trace.find(line), std::string::npos) << line << trace;
    }
    EXPECT_EQ(in16(vi, VI_A16_SPACE, 4, &word), VI_SUCCESS);
    EXPECT_NE(word, 0x1234);
}

TEST_F(VisaRegisters, ThirtyTwoAndSixtyFourBitAccessesAreRefusedAsD16) {
    ViUInt32 u32 = 0;
    ViUInt64 u64[2] = {};
    ViUInt32 u32s[2] = {};
    ViAddr window = nullptr;
    const auto map = Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, Size, ViBoolean,
                                                ViAddr, ViAddr*)>("viMapAddress");
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(map(vi, VI_A16_SPACE, 0, 8, VI_FALSE, nullptr, &window), VI_SUCCESS);
    using InEx32 = ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt32*);
    using In64 = ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, ViUInt64*);
    using In64Ex = ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt64*);
    using OutEx32 = ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt32);
    using Out64 = ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, ViUInt64);
    using Out64Ex = ViStatus(SFP_VI_CALL*)(ViSession, Space, Offset, ViUInt64);
    using Move32 = ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, Size, ViUInt32*);
    using Move64 = ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, Size, ViUInt64*);
    using Peek32 = ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt32*);
    using Peek64 = ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt64*);
    using Poke32 = ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt32);
    using Poke64 = ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt64);
    const std::pair<const char*, std::function<ViStatus(const char*)>> calls[] = {
        {"viIn32Ex", [&](const char* n) { return Get<InEx32>(n)(vi, VI_A16_SPACE, 0, &u32); }},
        {"viIn64", [&](const char* n) { return Get<In64>(n)(vi, VI_A16_SPACE, 0, u64); }},
        {"viIn64Ex", [&](const char* n) { return Get<In64Ex>(n)(vi, VI_A16_SPACE, 0, u64); }},
        {"viOut32Ex", [&](const char* n) { return Get<OutEx32>(n)(vi, VI_A16_SPACE, 0, 1); }},
        {"viOut64", [&](const char* n) { return Get<Out64>(n)(vi, VI_A16_SPACE, 0, 1); }},
        {"viOut64Ex", [&](const char* n) { return Get<Out64Ex>(n)(vi, VI_A16_SPACE, 0, 1); }},
        {"viMoveIn32", [&](const char* n) { return Get<Move32>(n)(vi, VI_A16_SPACE, 0, 2, u32s); }},
        {"viMoveIn32Ex",
         [&](const char* n) { return Get<Move32>(n)(vi, VI_A16_SPACE, 0, 2, u32s); }},
        {"viMoveIn64", [&](const char* n) { return Get<Move64>(n)(vi, VI_A16_SPACE, 0, 2, u64); }},
        {"viMoveIn64Ex",
         [&](const char* n) { return Get<Move64>(n)(vi, VI_A16_SPACE, 0, 2, u64); }},
        {"viMoveOut32",
         [&](const char* n) { return Get<Move32>(n)(vi, VI_A16_SPACE, 0, 2, u32s); }},
        {"viMoveOut32Ex",
         [&](const char* n) { return Get<Move32>(n)(vi, VI_A16_SPACE, 0, 2, u32s); }},
        {"viMoveOut64", [&](const char* n) { return Get<Move64>(n)(vi, VI_A16_SPACE, 0, 2, u64); }},
        {"viMoveOut64Ex",
         [&](const char* n) { return Get<Move64>(n)(vi, VI_A16_SPACE, 0, 2, u64); }},
        {"viPeek32", [&](const char* n) { return Get<Peek32>(n)(vi, window, &u32); }},
        {"viPeek64", [&](const char* n) { return Get<Peek64>(n)(vi, window, u64); }},
        {"viPoke32", [&](const char* n) { return Get<Poke32>(n)(vi, window, 1); }},
        {"viPoke64", [&](const char* n) { return Get<Poke64>(n)(vi, window, 1); }},
    };
    for (const auto& [name, call] : calls) {
        ASSERT_NE(library.Lookup(name), nullptr) << name;
        EXPECT_EQ(call(name), VI_ERROR_INV_WIDTH) << name;
    }
    EXPECT_EQ(u32, 0u);
    EXPECT_EQ(u64[0], 0u);
    EXPECT_EQ(hooks.Trace().find("out "), std::string::npos) << "nothing was written";
}

TEST_F(VisaRegisters, AMappedWindowServesPeekAndPokeUntilUnmapped) {
    const auto map = Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, Size, ViBoolean,
                                                ViAddr, ViAddr*)>("viMapAddress");
    const auto unmap = Get<ViStatus(SFP_VI_CALL*)(ViSession)>("viUnmapAddress");
    const auto peek8 = Get<ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt8*)>("viPeek8");
    const auto peek16 = Get<ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt16*)>("viPeek16");
    const auto poke16 = Get<ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt16)>("viPoke16");
    const auto poke8 = Get<ViStatus(SFP_VI_CALL*)(ViSession, ViAddr, ViUInt8)>("viPoke8");
    const auto move = Get<ViStatus(SFP_VI_CALL*)(ViSession, Space, ViBusAddress, ViUInt16, Space,
                                                 ViBusAddress, ViUInt16, Size)>("viMove");
    ASSERT_TRUE(map && unmap && peek8 && peek16 && poke16 && poke8 && move);
    // The window's addresses are names for viPeek/viPoke, never dereferenced.
    const auto at = [](ViAddr base, int bytes) {
        return reinterpret_cast<ViAddr>(reinterpret_cast<std::intptr_t>(base) + bytes);
    };

    ViUInt16 word = 0;
    ViUInt8 byte = 0;
    ViAddr window = nullptr;
    EXPECT_EQ(peek16(vi, window, &word), VI_ERROR_WINDOW_NMAPPED);
    EXPECT_EQ(unmap(vi), VI_ERROR_WINDOW_NMAPPED);
    EXPECT_EQ(map(vi, VI_A16_SPACE, 2, 0, VI_FALSE, nullptr, &window), VI_ERROR_INV_SIZE);
    EXPECT_EQ(map(vi, VI_A16_SPACE, 0x3E, 4, VI_FALSE, nullptr, &window), VI_ERROR_INV_SIZE);
    EXPECT_EQ(map(vi, VI_A24_SPACE, 2, 4, VI_FALSE, nullptr, &window), VI_ERROR_INV_SPACE);
    ASSERT_EQ(map(vi, VI_A16_SPACE, 2, 4, VI_FALSE, nullptr, &window), VI_SUCCESS);
    EXPECT_EQ(map(vi, VI_A16_SPACE, 2, 4, VI_FALSE, nullptr, &window), VI_ERROR_WINDOW_MAPPED);

    ViUInt16 access = 0;
    ViBusSize size = 0;
    EXPECT_EQ(visa.viGetAttribute(vi, VI_ATTR_WIN_ACCESS, &access), VI_SUCCESS);
    EXPECT_EQ(access, VI_USE_OPERS);
    EXPECT_EQ(visa.viGetAttribute(
                  vi, sizeof(ViBusSize) == 8 ? VI_ATTR_WIN_SIZE_64 : VI_ATTR_WIN_SIZE_32, &size),
              VI_SUCCESS);
    EXPECT_EQ(size, 4u);

    EXPECT_EQ(peek16(vi, window, &word), VI_SUCCESS);
    EXPECT_EQ(word, 0xF154);
    EXPECT_EQ(peek8(vi, at(window, 1), &byte), VI_SUCCESS);
    EXPECT_EQ(byte, 0x54);
    EXPECT_EQ(peek16(vi, at(window, 2), &word), VI_SUCCESS);  // register 4
    for (const int outside : {-2, 4, 6}) {
        EXPECT_EQ(peek16(vi, at(window, outside), &word), VI_ERROR_INV_OFFSET) << outside;
    }
    EXPECT_EQ(poke16(vi, at(window, 2), 0x0102), VI_SUCCESS);
    EXPECT_EQ(poke8(vi, at(window, 3), 3), VI_SUCCESS);
    const std::string trace = hooks.Trace();
    EXPECT_NE(trace.find("out VXI0::24::INSTR 4 258\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("out VXI0::24::INSTR 5 3\n"), std::string::npos) << trace;

    EXPECT_EQ(move(vi, VI_A16_SPACE, 0, 16, VI_A16_SPACE, 2, 16, 0), VI_SUCCESS);
    EXPECT_EQ(move(vi, VI_A16_SPACE, 0, 16, VI_A16_SPACE, 2, 16, 1), VI_ERROR_NSUP_OPER);

    EXPECT_EQ(unmap(vi), VI_SUCCESS);
    EXPECT_EQ(visa.viGetAttribute(vi, VI_ATTR_WIN_ACCESS, &access), VI_SUCCESS);
    EXPECT_EQ(access, VI_NMAPPED);
    EXPECT_EQ(peek16(vi, window, &word), VI_ERROR_WINDOW_NMAPPED);
    EXPECT_EQ(unmap(vi), VI_ERROR_WINDOW_NMAPPED);
}

}  // namespace
