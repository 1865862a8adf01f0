#include <gtest/gtest.h>

#include <string>

#include "recording/RecordingStream.h"

namespace {

Sample At(std::int64_t timeUs, std::uint16_t port0, std::uint16_t port1,
          std::uint16_t latched0 = 0) {
    Sample sample;
    sample.timeUs = timeUs;
    sample.value = {port0, port1, 0, 0};
    sample.positive = {latched0, 0, 0, 0};
    sample.negative = {latched0, 0, 0, 0};
    return sample;
}

// Two modules, inputs 0 and 17 only: module a catches a pulse on ch0 at 1500, when module b's
// ch17 falls, so a's return to the old level waits until b's change is written; a's next
// reading comes too close to its pulse and moves. Time 0 is the first sample.
void Feed(IRecordingStream& stream) {
    stream.Begin();
    stream.Add(0, At(1000, 0x0001, 0x0000));
    stream.Add(1, At(1000, 0x0000, 0x0002));
    stream.Add(0, At(1500, 0x0001, 0x0000, 0x0001));
    stream.Add(1, At(1500, 0x0000, 0x0000));
    stream.Add(0, At(1501, 0x0001, 0x0000));
    stream.Add(7, At(1600, 0xFFFF, 0xFFFF));  // no such module
    stream.Finish(2000);
}

VcdOptions TwoModules() {
    VcdOptions options("", false);
    options.writer = "w";
    options.channels = {0, 17};
    options.modules = {"a", "b"};
    options.comments = {"trigger ch0=r at 0.000500 s"};
    return options;
}

}  // namespace

TEST(RecordingStream, TwoModulesInTimeOrderWithTheirOwnScopesAndIdentifiers) {
    CStringSink sink;
    auto stream = MakeRecordingStream(RecordingFormat::Vcd, TwoModules(), sink);
    Feed(*stream);
    std::string scopes;
    for (const char* module : {"a", "b"}) {
        const bool b = module[0] == 'b';
        scopes += std::string("$scope module ") + module + " $end\n" +
                  "$scope module port0 $end\n$var wire 1 " + (b ? "e" : "!") +
                  " ch0 $end\n$upscope $end\n" + "$scope module port1 $end\n$var wire 1 " +
                  (b ? "v" : "2") + " ch17 $end\n$upscope $end\n$upscope $end\n";
    }
    EXPECT_EQ(sink.Text(),
              "$version\n    w\n$end\n$comment\n    trigger ch0=r at 0.000500 s\n$end\n"
              "$timescale 1 us $end\n" +
                  scopes +
                  "$enddefinitions $end\n"
                  "#0\n$dumpvars\n1!\n02\n$end\n0e\n1v\n"
                  "#500\n0!\n0v\n"  // a's pulse goes down as b's ch17 falls...
                  "#501\n1!\n"      // ...and comes back
                  "#1000\n");
}

TEST(RecordingStream, CsvHasColumnsPerModuleForTheListedInputs) {
    CStringSink sink;
    auto stream = MakeRecordingStream(RecordingFormat::Csv, TwoModules(), sink);
    Feed(*stream);
    EXPECT_EQ(sink.Text(),
              "# trigger ch0=r at 0.000500 s\n"
              "time_s,a_port0,a_pos0,a_neg0,a_port1,a_pos1,a_neg1,"
              "b_port0,b_pos0,b_neg0,b_port1,b_pos1,b_neg1\n"
              "0.000000,1,0,0,0,0,0,,,,,,\n"
              "0.000000,1,0,0,0,0,0,0,0,0,2,0,0\n"
              "0.000500,1,1,1,0,0,0,0,0,0,2,0,0\n"
              "0.000500,1,0,0,0,0,0,0,0,0,0,0,0\n"
              "0.000501,1,0,0,0,0,0,0,0,0,0,0,0\n");
}
