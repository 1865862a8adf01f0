#include "instrument/Identification.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(Identification, GpibReplyMustStartWithTheExactIdentity) {
    const struct {
        std::string reply;
        bool match;
    } cases[] = {
        {"ZENTRAX-MOLBURY,K3310", true},
        {"ZENTRAX-MOLBURY,K3310,0,A.01.02\n", true},
        {"ZENTRAX-MOLBURY,K33100", true},
        {"zentrax-molbury,k3310,0,1", false},
        {"ZENTRAX-MOLBURY,K331", false},
        {"", false},
        {" ZENTRAX-MOLBURY,K3310", false},
        {"ZENTRAX-MOLBURY,K3311", false},
        {std::string("ZENTRAX-MOLBURY\0K3310", 21), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesModuleIdentity(c.reply.data(), c.reply.size()), c.match) << c.reply;
    }
    EXPECT_FALSE(MatchesModuleIdentity(nullptr, 40));
}

TEST(Identification, NeverLooksPastTheBytesReceived) {
    // The identity sits in the buffer, but only 20 bytes of it count as received.
    const std::string full = "ZENTRAX-MOLBURY,K3310";
    EXPECT_FALSE(MatchesModuleIdentity(full.data(), 20));
    // An exactly sized heap block lets a sanitizer see any read past it.
    auto exact = std::make_unique<char[]>(full.size());
    std::copy(full.begin(), full.end(), exact.get());
    EXPECT_TRUE(MatchesModuleIdentity(exact.get(), full.size()));
    auto hundred = std::make_unique<char[]>(100);
    std::fill(hundred.get(), hundred.get() + 100, 'Z');
    EXPECT_FALSE(MatchesModuleIdentity(hundred.get(), 100));
}

TEST(Identification, VxiNeedsBothManufacturerAndModel) {
    EXPECT_TRUE(IsModuleVxiIdentity(0xFFF, 0x154));
    EXPECT_FALSE(IsModuleVxiIdentity(0xFFF, 0x155));
    EXPECT_FALSE(IsModuleVxiIdentity(0xFFE, 0x154));
    EXPECT_FALSE(IsModuleVxiIdentity(0x154, 0xFFF));
}

TEST(Identification, UnknownSlotIsHiddenOthersReadUnsigned) {
    EXPECT_EQ(SlotFromAttribute(0xFFFF), -1);
    EXPECT_EQ(SlotFromAttribute(0), 0);
    EXPECT_EQ(SlotFromAttribute(24), 24);
    EXPECT_EQ(SlotFromAttribute(0x8000), 32768);
    EXPECT_EQ(SlotFromAttribute(0xFFFE), 65534);
}

TEST(Identification, RecordedNameIsUpperCaseAndCutBeforeInstr) {
    const std::string at99 = std::string(99, 'a') + "::INSTR";
    const std::string at100 = std::string(100, 'a') + "::INSTR";
    const struct {
        std::string name;
        std::string recorded;
    } cases[] = {
        {"VXI0::24::INSTR", "VXI0::24"},
        {"vxi0::24::instr", "VXI0::24"},
        {"GPIB0::9::INSTR::INSTR", "GPIB0::9"},
        {"::INSTR", "::INSTR"},
        {"::INSTRVXI::INSTR", "::INSTRVXI::INSTR"},
        {"A::INSTR", "A"},
        {"VXI0::24", "VXI0::24"},
        {"", ""},
        {at99, std::string(99, 'A')},
        {at100, std::string(100, 'A') + "::INSTR"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordedResourceName(c.name), c.recorded) << c.name;
    }
}

TEST(Identification, ChoosesWithoutDialogOnlyWhenTheChoiceIsClear) {
    using Names = std::vector<std::string>;
    const struct {
        Names names;
        bool noIdentify;
        std::optional<std::size_t> chosen;
    } cases[] = {
        {{"GPIB0::9::INSTR"}, false, 0},
        {{"GPIB0::9::INSTR"}, true, std::nullopt},
        {{"VXI0::24::INSTR", "GPIB0::9::INSTR"}, false, 0},
        {{"GPIB0::9::INSTR", "GPIB-VXI0::3::INSTR"}, false, 1},
        {{"VXI0::24::INSTR", "VXI0::25::INSTR"}, false, std::nullopt},
        {{"VXI0::24::INSTR", "GPIB-VXI0::3::INSTR"}, false, std::nullopt},
        {{"vxi0::24::INSTR", "GPIB0::9::INSTR"}, false, std::nullopt},
        {{"VXI0::24::INSTR", "GPIB0::9::INSTR"}, true, std::nullopt},
        {{"GPIB0::1::INSTR", "GPIB0::2::INSTR"}, false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseWithoutDialog(c.names, c.noIdentify), c.chosen)
            << c.names.front() << " /n=" << c.noIdentify;
    }
}

}  // namespace
