#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "common/SampleSupport.h"
#include "recording/ChannelTrack.h"
#include "recording/Recording.h"
#include "recording/RecordingFile.h"
#include "recording/RecordingWriters.h"

namespace {

// Port 0 bit 1 rises at 200 and bit 0 falls at 300; port 1 bit 0 and port 3 bit 15 each catch
// a pulse at 200 (both latches, level unchanged); 100 and 400 bring nothing new.
CRecording HandWritten() {
    CRecording recording;
    recording.Append(MakeSample(0, {0x0001, 0, 0, 0x8000}));
    recording.Append(MakeSample(100, {0x0001, 0, 0, 0x8000}));
    recording.Append(
        MakeSample(200, {0x0003, 0, 0, 0x8000}, {0x0002, 1, 0, 0x8000}, {0, 1, 0, 0x8000}));
    recording.Append(MakeSample(300, {0x0002, 0, 0, 0x8000}, {}, {0x0001, 0, 0, 0}));
    recording.Append(MakeSample(400, {0x0002, 0, 0, 0x8000}));
    return recording;
}

std::string Bits(std::uint16_t value) {
    std::string text;
    for (int bit = 15; bit >= 0; --bit) {
        text += ((value >> bit) & 1) ? '1' : '0';
    }
    return text;
}

}  // namespace

TEST(Recording, HandWrittenSequenceGivesExactVcd) {
    const CRecording recording = HandWritten();
    CStringSink sink;
    ASSERT_TRUE(WriteVcd(recording, VcdOptions{"today", true}, sink));

    // Identifiers: channel c is '!' + c, port p's vector is 'a' + p.
    std::ostringstream expected;
    expected << "$date\n    today\n$end\n$version\n    aq3310-sfp " SFP_VERSION "\n$end\n"
             << "$timescale 1 us $end\n$scope module k3310 $end\n";
    for (int port = 0; port < 4; ++port) {
        expected << "$scope module port" << port << " $end\n";
        for (int bit = 0; bit < 16; ++bit) {
            expected << "$var wire 1 " << char('!' + port * 16 + bit) << " ch" << port * 16 + bit
                     << " $end\n";
        }
        expected << "$var wire 16 " << char('a' + port) << " port" << port
                 << " [15:0] $end\n$upscope $end\n";
    }
    expected << "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    const std::uint16_t initial[4] = {0x0001, 0, 0, 0x8000};
    for (int port = 0; port < 4; ++port) {
        for (int bit = 0; bit < 16; ++bit) {
            expected << ((initial[port] >> bit) & 1) << char('!' + port * 16 + bit) << "\n";
        }
        expected << "b" << Bits(initial[port]) << " " << char('a' + port) << "\n";
    }
    expected << "$end\n"
             << "#200\n"
             << "1\"\nb0000000000000011 a\n"  // ch1 rises
             << "11\nb0000000000000001 b\n"   // ch16's pulse, up...
             << "0`\nb0000000000000000 d\n"   // ch63's pulse, down...
             << "#201\n"
             << "01\nb0000000000000000 b\n"  // ...and back
             << "1`\nb1000000000000000 d\n"
             << "#300\n"
             << "0!\nb0000000000000010 a\n"  // ch0 falls
             << "#400\n";
    EXPECT_EQ(sink.Text(), expected.str());
}

TEST(Recording, HandWrittenSequenceGivesExactCsv) {
    CStringSink sink;
    ASSERT_TRUE(WriteCsv(HandWritten(), sink));
    EXPECT_EQ(sink.Text(),
              "time_s,port0,pos0,neg0,port1,pos1,neg1,port2,pos2,neg2,port3,pos3,neg3\n"
              "0.000000,1,0,0,0,0,0,0,0,0,32768,0,0\n"
              "0.000200,3,2,0,0,1,1,0,0,0,32768,32768,32768\n"
              "0.000300,2,0,1,0,0,0,0,0,0,32768,0,0\n"
              "0.000400,2,0,0,0,0,0,0,0,0,32768,0,0\n");
}

TEST(Recording, TracksHoldEdgesAndCaughtPulses) {
    const CRecording recording = HandWritten();
    EXPECT_EQ(recording.SampleCount(), 5u);
    EXPECT_EQ(recording.Stored().size(), 3u) << "the samples at 100 and 400 changed nothing";
    struct Case {
        int channel;
        std::size_t edges, pulses;
        int levelAt150, levelAt350;
    };
    for (const Case& c : {Case{0, 1, 0, 1, 0}, Case{1, 1, 0, 0, 1}, Case{16, 0, 1, 0, 0},
                          Case{63, 0, 1, 1, 1}, Case{40, 0, 0, 0, 0}}) {
        const CChannelTrack& track = recording.Track(c.channel);
        EXPECT_EQ(track.EdgeCount(), c.edges) << c.channel;
        EXPECT_EQ(track.PulseCount(), c.pulses) << c.channel;
        EXPECT_EQ(track.LevelAt(150), c.levelAt150) << c.channel;
        EXPECT_EQ(track.LevelAt(350), c.levelAt350) << c.channel;
    }
    // Two samples closer than 2 us: the later one moves, so a pulse's end has its own tick.
    CRecording close;
    close.Append(MakeSample(10, {0, 0, 0, 0}));
    close.Append(MakeSample(11, {1, 0, 0, 0}));
    EXPECT_EQ(close.Track(0).Edges(), std::vector<std::int64_t>{12});
}

// The coarser levels must give the same answers as a plain search over every edge, for any
// number of edges (levels appear at 16, 256, 4096 ...) and for any column width.
TEST(Recording, DecimationAgreesWithAPlainSearch) {
    std::mt19937 random(3310);
    for (int edges : {0, 1, 15, 16, 17, 255, 256, 5000}) {
        CChannelTrack track(1);
        std::vector<std::int64_t> times;
        std::int64_t t = 5;
        for (int i = 0; i < edges; ++i) {
            t += 1 + static_cast<std::int64_t>(random() % 40);
            track.AddEdge(t);
            times.push_back(t);
            if (i % 7 == 0) {
                track.AddPulse(t + 1);
            }
        }
        for (double perColumn : {0.5, 3.0, 37.5, 1000.0}) {
            const std::int64_t start = static_cast<std::int64_t>(random() % 200);
            const int columns = 300;
            std::vector<ColumnState> out(columns);
            track.Decimate(start, perColumn, columns, out.data());
            for (int i = 0; i < columns; ++i) {
                const auto from = start + static_cast<std::int64_t>(std::floor(i * perColumn));
                const auto to = start + static_cast<std::int64_t>(std::floor((i + 1) * perColumn));
                std::size_t upTo = 0;
                std::size_t inside = 0;
                for (std::int64_t e : times) {
                    upTo += e <= to;
                    inside += e > from && e <= to;
                }
                bool pulse = false;
                for (std::int64_t p : track.Pulses()) {
                    pulse = pulse || (p > from && p <= to);
                }
                ASSERT_EQ(out[i].level, 1 ^ (upTo & 1)) << edges << " " << perColumn << " " << i;
                ASSERT_EQ(out[i].edges, std::min<std::size_t>(inside, 2)) << edges << " " << i;
                ASSERT_EQ(out[i].pulse, pulse) << edges << " " << perColumn << " " << i;
                ASSERT_EQ(track.EdgesUpTo(to), upTo) << edges << " " << i;
            }
        }
    }
}

// A million samples cost memory for their changes only: ten times the changes, several times
// the memory; the same changes over ten times the samples, the same memory.
TEST(Recording, AMillionSamplesCostMemoryForTheirChangesOnly) {
    auto record = [](int samples, int changeEvery) {
        CRecording recording;
        std::uint16_t value = 0;
        for (int i = 0; i < samples; ++i) {
            if (i % changeEvery == 0) {
                value ^= 0x0101;
            }
            recording.Append(MakeSample(i * 10000LL, {value, 0xA5A5, 0, 0}));
        }
        return recording;
    };
    const CRecording sparse = record(1000000, 1000);
    const CRecording dense = record(1000000, 100);
    const CRecording shortRun = record(100000, 100);
    EXPECT_EQ(sparse.SampleCount(), 1000000u);
    EXPECT_EQ(sparse.Stored().size(), 1000u);
    EXPECT_EQ(sparse.Track(8).EdgeCount(), 999u);
    EXPECT_EQ(sparse.EndUs(), 999999 * 10000LL);
    EXPECT_LT(sparse.MemoryBytes(), 200u * 1000u) << "far below one byte per sample";
    EXPECT_GT(dense.MemoryBytes(), 5 * sparse.MemoryBytes());
    EXPECT_EQ(shortRun.Stored().size(), sparse.Stored().size());
    EXPECT_EQ(shortRun.MemoryBytes(), sparse.MemoryBytes()) << "ten times the samples, same cost";
}

TEST(Recording, AFailedSaveSaysWhyAndKeepsTheRecordingForAnotherTry) {
    const CRecording recording = HandWritten();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("sfp-recording-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string missing = (folder / "no-such-folder" / "out.vcd").string();
    EXPECT_EQ(SaveRecording(recording, missing, RecordingFormat::Vcd, {}),
              "cannot write " + missing + ": No such file or directory");
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(SaveRecording(recording, "/dev/full", RecordingFormat::Csv, {}),
                  "cannot write /dev/full: No space left on device");
        EXPECT_TRUE(std::filesystem::exists("/dev/full")) << "a device is never removed";
    }
    const std::string good = (folder / "out.csv").string();
    ASSERT_EQ(SaveRecording(recording, good, FormatOfFileName(good), {}), "");
    std::ifstream in(good);
    std::stringstream text;
    text << in.rdbuf();
    CStringSink sink;
    WriteCsv(recording, sink);
    EXPECT_EQ(text.str(), sink.Text());
    std::filesystem::remove_all(folder);
}
