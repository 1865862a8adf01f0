#include <gtest/gtest.h>

#include "common/FakeInstrument.h"
#include "common/RecordingPlatform.h"
#include "instrument/StatusReporting.h"

namespace {

using Events = std::vector<std::string>;

const std::string kPrefix = "Instrument reports error: ";

}  // namespace

TEST(StatusReporting, QueuedErrorsShownOneByOneEachAfterItsBeep) {
    struct {
        int queued;  // entries left in the queue after the one the operation found
    } cases[] = {{0}, {2}};
    for (const auto& c : cases) {
        CRecordingPlatform platform;
        CFakeInstrument instrument;
        instrument.SetLastError("first");
        for (int i = 0; i < c.queued; ++i) {
            instrument.queue.push_back({100 + i, "next" + std::to_string(i)});
        }
        ReportInstrumentStatus(STATUS_INSTRUMENT_ERROR, instrument);

        Events expected{"timer-1"};
        expected.push_back("beep");
        expected.push_back("box:" + kPrefix + "first");
        for (int i = 0; i < c.queued; ++i) {
            expected.push_back("beep");
            expected.push_back("box:" + kPrefix + "next" + std::to_string(i));
        }
        expected.push_back("timer+1:300");
        EXPECT_EQ(platform.events, expected) << c.queued;
        // The empty-queue answer ends the loop and is not shown.
        EXPECT_EQ(instrument.queue.size(), 0u);
    }
}

TEST(StatusReporting, TimeOutShowsOneMessageWithoutBeep) {
    CRecordingPlatform platform;
    CFakeInstrument instrument;
    ReportInstrumentStatus(VI_ERROR_TMO, instrument);
    EXPECT_EQ(platform.events, (Events{"timer-1", "box:Time Out !", "timer+1:300"}));
    EXPECT_TRUE(instrument.calls.empty());
}

TEST(StatusReporting, OtherStatusesShowTheDriverTextOrNothing) {
    const ViStatus failure = ViStatusFromBits(0xBFFF003E);
    CRecordingPlatform platform;
    CFakeInstrument instrument;
    instrument.messages[failure] = "I/O error";
    instrument.messages[0x3FFF0085] = "A warning";

    ReportInstrumentStatus(failure, instrument);
    // A non-negative status goes to the same branch.
    ReportInstrumentStatus(0x3FFF0085, instrument);
    // No text: nothing shown, the tick still restarts.
    ReportInstrumentStatus(ViStatusFromBits(0xBFFF0000), instrument);

    EXPECT_EQ(platform.events, (Events{"timer-1", "box:I/O error", "timer+1:300", "timer-1",
                                       "box:A warning", "timer+1:300", "timer-1", "timer+1:300"}));
    EXPECT_EQ(platform.Count("beep"), 0);
}

TEST(StatusReporting, ReadOutAlwaysEnds) {
    {
        // A failing query gives null and leaves the code non-zero: treated as the end.
        CRecordingPlatform platform;
        CFakeInstrument instrument;
        instrument.queueQueryFails = true;
        ReportInstrumentStatus(STATUS_INSTRUMENT_ERROR, instrument);
        EXPECT_EQ(platform.Boxes().size(), 1u);
        EXPECT_EQ(platform.events.back(), "timer+1:300");
    }
    {
        // A queue that never reports empty: ten boxes, then one that lists every further entry
        // read and says that the queue was still not empty.
        CRecordingPlatform platform;
        CFakeInstrument instrument;
        instrument.queueNeverEmpty = true;
        ReportInstrumentStatus(STATUS_INSTRUMENT_ERROR, instrument);
        const auto boxes = platform.Boxes();
        ASSERT_EQ(static_cast<int>(boxes.size()), kMaxErrorBoxes + 1);
        std::string listed = "90 more entries of the instrument's error queue:";
        for (int i = 0; i < kMaxErrorQueueMessages - kMaxErrorBoxes; ++i) {
            listed += "\n-350 Queue overflow";
        }
        listed += "\nThe read-out stopped after 100 entries; the queue still was not empty.";
        EXPECT_EQ(boxes.back(), listed);
        EXPECT_EQ(platform.Count("beep"), kMaxErrorBoxes + 1);
        EXPECT_EQ(platform.events.back(), "timer+1:300");
    }
}

TEST(StatusReporting, LongQueueShowsTenBoxesThenOneListingEveryFurtherEntry) {
    struct {
        int queued;  // entries after the first
        int boxes;
        const char* last;
    } cases[] = {
        {9, 10, "Instrument reports error: e8"},
        {10, 11, "1 more entry of the instrument's error queue:\n109 e9"},
        {11, 11, "2 more entries of the instrument's error queue:\n109 e9\n110 e10"},
        {14, 11,
         "5 more entries of the instrument's error queue:\n109 e9\n110 e10\n111 e11\n112 e12\n"
         "113 e13"},
    };
    for (const auto& c : cases) {
        CRecordingPlatform platform;
        CFakeInstrument instrument;
        instrument.SetLastError("first");
        for (int i = 0; i < c.queued; ++i) {
            instrument.queue.push_back({100 + i, "e" + std::to_string(i)});
        }
        ReportInstrumentStatus(STATUS_INSTRUMENT_ERROR, instrument);
        const auto boxes = platform.Boxes();
        ASSERT_EQ(static_cast<int>(boxes.size()), c.boxes) << c.queued;
        EXPECT_EQ(boxes.back(), c.last) << c.queued;
        EXPECT_EQ(instrument.queue.size(), 0u) << "the rest is read, not left queued";
    }
}

TEST(StatusReporting, ComposedMessageHoldsTheWholeText) {
    const std::string longText(255, 'e');
    EXPECT_EQ(ComposeInstrumentError(longText), kPrefix + longText);
    // A "%s" inside the entry's text is shown as it is, not expanded again.
    EXPECT_EQ(ComposeInstrumentError("50%s done"), kPrefix + "50%s done");
}
