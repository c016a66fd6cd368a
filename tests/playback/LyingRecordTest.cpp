#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>

#include "PlaybackHarness.h"

using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;

namespace playbacktest {
namespace {

BuiltRecording TwoChannels()
{
    return RecordingBuilder()
        .VideoRun(0, kT0, 0, 125, 40, 25, 3000)
        .VideoRun(1, kT0, 20, 125, 40, 25, 3000)
        .AudioRun(0, kT0, 0, 250, 20, 160)
        .Build();
}

recording::FrameRecord RecordAt(const BuiltRecording& b, uint32_t offset)
{
    return recording::FrameRecord::Parse(b.data.data() + offset - b.dataOffset);
}

void Patch(BuiltRecording& b, int ch, int index, const std::function<void(recording::FrameRecord&)>& lie)
{
    recording::FrameRecord r = RecordAt(b, b.videoRecords[ch][index]);
    lie(r);
    b.PatchRecord(b.videoRecords[ch][index], r);
}

struct Lie {
    const char* name;
    std::function<void(BuiltRecording&)> apply;
    size_t cut = 0; // bytes cut from the end of the file
};

// Records whose headers lie never crash, hang or read past a buffer: forward and reverse
// play end the stream, whatever they hand over on the way.
TEST(LyingRecords, PlaybackEndsTheStream)
{
    const Lie lies[] = {
        {"size far past the run", [](BuiltRecording& b) { Patch(b, 0, 30, [](auto& r) { r.f_size = 0x7FFFFFF0; }); }},
        {"size into the records after it", [](BuiltRecording& b) { Patch(b, 0, 30, [](auto& r) { r.f_size = 100000; }); }},
        {"back link into another run",
         [](BuiltRecording& b) {
             const uint32_t into = b.videoRecords[0][50];
             Patch(b, 1, 60, [&](auto& r) { r.f_prevSize = b.videoRecords[1][60] - into - 20; });
         }},
        {"back link before the file", [](BuiltRecording& b) { Patch(b, 0, 70, [](auto& r) { r.f_prevSize = 0xFFFFFF00; }); }},
        {"no back link mid-run", [](BuiltRecording& b) { Patch(b, 0, 70, [](auto& r) { r.f_prevSize = 0; }); }},
        {"stamps out of order",
         [](BuiltRecording& b) {
             std::mt19937 random(7);
             for (int i = 1; i < 100; ++i)
                 Patch(b, 0, i, [&](auto& r) { r.f_msec = random(); r.f_time += static_cast<int32_t>(random() % 5) - 2; });
         }},
        {"truncated last record", [](BuiltRecording&) {}, 100},
        {"run ends far past the file",
         [](BuiltRecording& b) { b.header.videoCh[0].endPos = b.header.audioCh[0].endPos = 0x7FFF0000; }},
    };
    for (const Lie& lie : lies) {
        for (int speed : {1, 32, -1, -32}) {
            BuiltRecording built = TwoChannels();
            lie.apply(built);
            PlaybackHarness h(built, true);
            std::vector<uint8_t> bytes = built.Bytes();
            bytes.resize(bytes.size() - lie.cut);
            const std::string path = h.dir.File("r.vrc");
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
            const playback::FileOpenResult opened = h.core.Open().OnFileChosen(path);
            h.core.Open().FinishFileOpen(opened);
            ASSERT_EQ(h.core.m_bFileOpened, 1) << lie.name;
            const std::vector<Pushed> frames = h.PlayAtSpeed(speed, speed < 0 ? 3 : 0);
            EXPECT_EQ(h.core.m_nPlayState, playback::kPaused) << lie.name << " at " << speed;
            for (const Pushed& f : frames)
                ASSERT_TRUE(f.len >= 0 && f.len <= 131072) << lie.name;
        }
    }
}

} // namespace
} // namespace playbacktest
