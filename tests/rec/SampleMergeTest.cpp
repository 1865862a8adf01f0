#include <gtest/gtest.h>

#include <vector>

#include "tools/rec/SampleMerge.h"

namespace {

std::vector<std::int64_t> Times(const std::vector<CSampleMerge::Entry>& entries) {
    std::vector<std::int64_t> times;
    for (const auto& entry : entries) {
        times.push_back(entry.second.timeUs);
    }
    return times;
}

Sample At(std::int64_t timeUs) {
    Sample sample;
    sample.timeUs = timeUs;
    return sample;
}

}  // namespace

// A module still reading holds back every later sample of the others, so the file never has to
// go back in time; when all are done, everything comes out, oldest first.
TEST(SampleMerge, ASlowReadingHoldsBackLaterSamplesOfOtherModules) {
    CSampleMerge merge(2, CSampleMerge::Clock::now());
    // Each reading a microsecond after the one before: the clock's resolution.
    auto begin = [&merge](int module, std::int64_t after) {
        while (merge.NowUs() <= after) {
        }
        return merge.BeginReading(module);
    };
    const std::int64_t slow = merge.BeginReading(0);
    const std::int64_t fast = begin(1, slow);
    merge.Push(1, At(fast));
    const std::int64_t next = begin(1, fast);
    EXPECT_TRUE(merge.TakeReady().empty()) << "module 0's reading began first";
    merge.Push(0, At(slow));
    const std::vector<CSampleMerge::Entry> ready = merge.TakeReady();
    ASSERT_EQ(ready.size(), 2u) << "module 1's reading at " << next << " holds back nothing older";
    EXPECT_EQ(ready[0].first, 0);
    EXPECT_EQ(Times(ready), (std::vector<std::int64_t>{slow, fast}));
    merge.Push(1, At(next));
    merge.Done(0);
    EXPECT_FALSE(merge.AllDone());
    merge.Done(1);
    EXPECT_TRUE(merge.AllDone());
    EXPECT_EQ(Times(merge.TakeReady()), std::vector<std::int64_t>{next});
}
