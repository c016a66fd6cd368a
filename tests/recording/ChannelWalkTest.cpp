#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/File.h"
#include "recording/ChannelWalk.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

namespace {

using recording::ChannelWalk;
using recording::FrameRecord;
using testsupport::BuiltRecording;

constexpr int32_t kT0 = 1717405200; // 2024-06-03 09:00:00

struct DamageCase {
    const char* name;
    std::function<void(BuiltRecording&, const std::vector<uint32_t>& at)> damage;
    size_t cutAtRecord; // the file ends 30 bytes into this record; 0 keeps it whole
    std::vector<int> kept;
    int gapFrom, gapTo;    // record indices; gapTo -1 is the end of the file
    const char* gapSeconds; // "" when a side of the gap has no intact record
};

TEST(ChannelWalk, ResumesAfterDamageAndNeverHandsOverARecordItCannotTrust)
{
    const auto patch = [](int i, uint32_t size, uint32_t key = 0) {
        return [=](BuiltRecording& b, const std::vector<uint32_t>& at) {
            b.PatchRecord(at[i], {kT0 + i, uint32_t(i) * 1000, size, i ? 1000u : 0u, key});
        };
    };
    const std::vector<DamageCase> cases = {
        {"size beyond any frame", patch(4, 999'999), 0, {0, 1, 2, 3, 5, 6, 7, 8, 9}, 4, 5, "about 2 s"},
        {"size running onto a header that does not link back", patch(4, 2020), 0, {0, 1, 2, 3, 5, 6, 7, 8, 9}, 4, 5,
         "about 2 s"},
        {"key flag neither 0 nor 1", patch(4, 1000, 5), 0, {0, 1, 2, 3, 5, 6, 7, 8, 9}, 4, 5, "about 2 s"},
        {"zeroed stretch over two headers",
         [](BuiltRecording& b, const std::vector<uint32_t>& at) {
             std::fill(b.data.begin() + (at[4] + 100 - b.dataOffset), b.data.begin() + (at[6] + 10 - b.dataOffset), 0);
         },
         0, {0, 1, 2, 3, 7, 8, 9}, 4, 7, "about 4 s"},
        {"damaged first record", patch(0, 0), 0, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, 1, ""},
        {"file cut inside a record", {}, 7, {0, 1, 2, 3, 4, 5, 6}, 7, -1, ""},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::RecordingBuilder builder;
        builder.VideoRun(0, kT0, 0, 10, 1000, 5, 1000).VideoRun(1, kT0, 0, 3, 1000, 5, 1000);
        BuiltRecording built = builder.Build();
        const std::vector<uint32_t>& at = built.videoRecords[0];
        if (c.damage)
            c.damage(built, at);
        std::vector<uint8_t> bytes = built.Bytes();
        if (c.cutAtRecord)
            bytes.resize(at[c.cutAtRecord] + 30);
        testsupport::TempDir dir;
        testsupport::WriteBytes(dir.File("r.vrc"), bytes);
        platform::File file;
        ASSERT_TRUE(file.Open(dir.File("r.vrc")));

        const auto index = [&at](uint64_t offset) { return int(std::find(at.begin(), at.end(), offset) - at.begin()); };
        ChannelWalk walk(file, at[0], built.dataOffset + built.header.videoCh[0].endPos, true);
        std::vector<int> kept;
        std::vector<uint64_t> ends;
        while (const auto r = walk.Next()) {
            kept.push_back(index(r->offset));
            ends.push_back(r->End());
        }
        EXPECT_EQ(kept, c.kept);
        // A clip's span that ends on the record the walk resumed at is walked again the same
        // way, though the neighbour that confirms that record lies past the span.
        if (c.gapTo >= 0) {
            const size_t resumed = std::find(kept.begin(), kept.end(), c.gapTo) - kept.begin();
            ASSERT_LT(resumed, kept.size());
            ChannelWalk span(file, at[kept[0]], ends[resumed], true);
            std::vector<int> again;
            while (const auto r = span.Next())
                again.push_back(index(r->offset));
            EXPECT_EQ(again, std::vector<int>(kept.begin(), kept.begin() + resumed + 1));
        }
        ASSERT_EQ(walk.Gaps().size(), 1u);
        const recording::WalkGap& gap = walk.Gaps()[0];
        EXPECT_EQ(gap.begin, at[c.gapFrom]);
        EXPECT_EQ(gap.end, c.gapTo < 0 ? bytes.size() : at[c.gapTo]);
        const std::string text = gap.Text();
        EXPECT_EQ(text.find(*c.gapSeconds ? c.gapSeconds : "about") != std::string::npos, *c.gapSeconds != 0) << text;
        EXPECT_NE(text.find("(" + std::to_string(gap.end - gap.begin) + " bytes"), std::string::npos) << text;
    }
}

} // namespace
