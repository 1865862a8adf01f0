// Replays every saved fuzzing input through its target, so a once-found crash stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzTargets.h"

namespace {

int Replay(const std::string& folder, void (*target)(const std::uint8_t*, std::size_t)) {
    int count = 0;
    const std::filesystem::path dir = std::filesystem::path(SFP_FUZZ_CORPUS) / folder;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    return count;
}

}  // namespace

TEST(FuzzCorpus, OptionsReplay) {
    EXPECT_GT(Replay("options", FuzzOptions), 0);
}
TEST(FuzzCorpus, ReadoutReplay) {
    EXPECT_GT(Replay("readout", FuzzReadout), 0);
}
TEST(FuzzCorpus, IdentificationReplay) {
    EXPECT_GT(Replay("identification", FuzzIdentification), 0);
}
TEST(FuzzCorpus, ScenarioReplay) {
    EXPECT_GT(Replay("scenario", FuzzScenario), 0);
}
#if defined(SFP_FUZZ_VXI11)
TEST(FuzzCorpus, Vxi11RequestReplay) {
    EXPECT_GT(Replay("vxi11", FuzzVxi11Request), 0);
}
#endif
TEST(FuzzCorpus, FormatReplay) {
    EXPECT_GT(Replay("format", FuzzFormat), 0);
}
TEST(FuzzCorpus, ResourceNameReplay) {
    EXPECT_GT(Replay("resourcename", FuzzResourceName), 0);
}
TEST(FuzzCorpus, RecordingReplay) {
    EXPECT_GT(Replay("recording", FuzzRecording), 0);
}
