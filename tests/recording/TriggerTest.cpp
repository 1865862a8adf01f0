#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording/ChannelList.h"
#include "recording/Trigger.h"

TEST(ChannelList, ReadsNumbersNamesRangesAndSpaces) {
    const struct {
        const char* text;
        std::vector<int> channels;
    } cases[] = {
        {"0-7,16", {0, 1, 2, 3, 4, 5, 6, 7, 16}},
        {"ch0,ch3", {0, 3}},
        {" ch63 , 5-6,ch2-ch3 ", {2, 3, 5, 6, 63}},
        {"9,3,9,2-4", {2, 3, 4, 9}},
        {"CH7", {7}},
    };
    for (const auto& c : cases) {
        std::vector<int> channels;
        std::string error;
        EXPECT_TRUE(ParseChannelList(c.text, &channels, &error)) << c.text << ": " << error;
        EXPECT_EQ(channels, c.channels) << c.text;
    }
    std::vector<int> all;
    std::string error;
    ASSERT_TRUE(ParseChannelList("  ", &all, &error));
    ASSERT_EQ(all.size(), 64u);
    EXPECT_EQ(all.front(), 0);
    EXPECT_EQ(all.back(), 63);
    EXPECT_EQ(ChannelListText(all), "");
    EXPECT_EQ(ChannelListText({0, 1, 2, 3, 16, 20, 21}), "0-3,16,20-21");
}

TEST(ChannelList, RefusesWhatIsNotAList) {
    for (const char* text :
         {"64", "ch64", "-1", "7-3", "1,,2", "1,", "a", "ch", "0x3", "1 2", "007", "3-", "D3"}) {
        std::vector<int> channels = {42};
        std::string error;
        EXPECT_FALSE(ParseChannelList(text, &channels, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(channels, std::vector<int>{42}) << text;
    }
}

namespace {

// Channel 3 is bit 3 of port 0; channel 20 is bit 4 of port 1.
Sample Levels(std::uint16_t port0, std::uint16_t port1 = 0) {
    Sample sample;
    sample.value = {port0, port1, 0, 0};
    return sample;
}

Sample Pulse(std::uint16_t port0, std::uint16_t latched) {
    Sample sample = Levels(port0);
    sample.positive[0] = latched;
    sample.negative[0] = latched;
    return sample;
}

bool Fires(const std::string& text, const Sample& previous, const Sample& current) {
    CTrigger trigger;
    std::string error;
    EXPECT_TRUE(CTrigger::Parse(text, &trigger, &error)) << text << ": " << error;
    return trigger.Matches(previous, current);
}

}  // namespace

TEST(Trigger, EdgesLevelsAndCaughtPulses) {
    const Sample low = Levels(0);
    const Sample high = Levels(0x0008);
    const struct {
        const char* text;
        Sample previous;
        Sample current;
        bool fires;
    } cases[] = {
        {"ch3=r", low, high, true},
        {"ch3=r", high, low, false},
        {"ch3=r", high, high, false},
        {"ch3=f", high, low, true},
        {"ch3=f", low, high, false},
        {"ch3=e", low, high, true},
        {"ch3=e", high, low, true},
        {"ch3=e", low, low, false},
        {"ch3=1", high, high, true},
        {"ch3=1", high, low, false},
        {"ch3=0", high, low, true},
        {"ch3=0", low, high, false},
        // A pulse between two samples is both its edges, whichever level it left.
        {"ch3=r", low, Pulse(0, 0x0008), true},
        {"ch3=f", low, Pulse(0, 0x0008), true},
        {"ch3=r", high, Pulse(0x0008, 0x0008), true},
        {"ch3=e", high, Pulse(0x0008, 0x0008), true},
        // Another bit's pulse is not this one's.
        {"ch3=r", low, Pulse(0, 0x0004), false},
        // Only one latch: no pulse, nothing moved.
        {"ch3=r", low,
         [] {
             Sample s = Levels(0);
             s.positive[0] = 8;
             return s;
         }(),
         false},
        // All conditions at once, on two ports.
        {"ch3=r,ch20=1", low, Levels(0x0008, 0x0010), true},
        {"ch3=r,ch20=1", low, Levels(0x0008, 0x0000), false},
        {"ch3=r, ch20=0", low, Levels(0x0008, 0x0000), true},
        {"ch20=r,ch3=1", Levels(0x0008), Levels(0x0008, 0x0010), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fires(c.text, c.previous, c.current), c.fires) << c.text;
    }
}

TEST(Trigger, RefusesBadConditionsAndReadsItsOwnText) {
    for (const char* text : {"", "ch3", "ch3=x", "ch64=r", "=r", "ch3=r,", "ch3=rr", "3:r"}) {
        CTrigger trigger;
        std::string error;
        EXPECT_FALSE(CTrigger::Parse(text, &trigger, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_TRUE(trigger.IsEmpty()) << text;
    }
    CTrigger trigger;
    std::string error;
    ASSERT_TRUE(CTrigger::Parse(" 3 = f ,ch63=e,ch0=0,ch1=1", &trigger, &error)) << error;
    EXPECT_EQ(trigger.Text(), "ch3=f,ch63=e,ch0=0,ch1=1");
    CTrigger again;
    ASSERT_TRUE(CTrigger::Parse(trigger.Text(), &again, &error)) << error;
    EXPECT_EQ(again.Text(), trigger.Text());
}
