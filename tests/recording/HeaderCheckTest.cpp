#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "recording/RecordingReport.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

using recording::RecordingError;
using recording::RecordingHeader;
using recording::RecordingReport;
using testsupport::RecordingBuilder;

namespace {

constexpr int32_t kT0 = 1268121907; // 2010-03-09 08:05:07

// A file made of a header with the given tweak and raw padding up to an exact size, to
// probe the size rules without a data area.
std::vector<RecordingError> MessagesForSize(uint8_t version, size_t size)
{
    RecordingHeader h = RecordingBuilder().VideoRun(0, kT0, 0, 1, 40, 1, 10).Build().header;
    h.version = version;
    auto bytes = h.Serialize();
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    file.resize(size, 0);
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir.File("s.vrc"), file);
    return RecordingReport::Run(dir.File("s.vrc")).messages;
}

TEST(HeaderCheck, SizeRulesByVersion)
{
    const struct {
        uint8_t version;
        size_t size;
        std::optional<RecordingError> first; // empty: passes the size rules
    } cases[] = {
        {0, 2037, RecordingError::C1001}, {0, 2038, std::nullopt},
        {1, 2038, RecordingError::C1002}, {1, 4096, RecordingError::C1002}, {1, 4097, std::nullopt},
        {2, 4096, RecordingError::C1002}, {3, 100'000, RecordingError::C1003}, {0xFF, 2038, RecordingError::C1003},
    };
    for (const auto& c : cases) {
        const auto messages = MessagesForSize(c.version, c.size);
        ASSERT_FALSE(messages.empty()) << int(c.version) << "/" << c.size; // no data area: never accepted
        if (c.first) {
            EXPECT_EQ(messages.front(), *c.first) << int(c.version) << "/" << c.size;
        } else {
            EXPECT_NE(messages.front(), RecordingError::C1001) << int(c.version) << "/" << c.size;
            EXPECT_NE(messages.front(), RecordingError::C1002) << int(c.version) << "/" << c.size;
        }
    }
}

TEST(HeaderCheck, ShortFileIsRejectedBeforeTheHeaderIsRead)
{
    // Even a file whose version byte would be refused gets C1001 when it is too short.
    EXPECT_EQ(MessagesForSize(7, 2037), std::vector{RecordingError::C1001});
}

using Tweak = std::function<void(RecordingHeader&)>;

std::vector<RecordingError> MessagesWith(const Tweak& tweak)
{
    testsupport::BuiltRecording built =
        RecordingBuilder().VideoRun(0, kT0, 0, 50, 40, 25, 2000).AudioRun(0, kT0, 0, 20, 20, 160).Build();
    tweak(built.header);
    testsupport::TempDir dir;
    built.Write(dir.File("t.vrc"));
    return RecordingReport::Run(dir.File("t.vrc")).messages;
}

TEST(HeaderCheck, ChannelRulesInTheirOrder)
{
    const struct {
        const char* name;
        Tweak tweak;
        std::vector<RecordingError> messages;
    } cases[] = {
        {"untouched", [](RecordingHeader&) {}, {}},
        {"video number -1 outside the mask", [](RecordingHeader& h) { h.videoCh[9].chNumber = -1; }, {RecordingError::C1004}},
        {"video number 16", [](RecordingHeader& h) { h.videoCh[3].chNumber = 16; }, {RecordingError::C1004}},
        {"audio number -1 is not checked", [](RecordingHeader& h) { h.audioCh[9].chNumber = -1; }, {}},
        {"chCount 0", [](RecordingHeader& h) { h.chCount = 0; }, {RecordingError::C1005}},
        {"chCount 17", [](RecordingHeader& h) { h.chCount = 17; }, {RecordingError::C1005}},
        {"chCount 16", [](RecordingHeader& h) { h.chCount = 16; }, {}},
        {"number before count", [](RecordingHeader& h) { h.chCount = 0; h.videoCh[0].chNumber = -5; }, {RecordingError::C1004}},
        {"only bit 16 in the video mask", [](RecordingHeader& h) { h.videoMask = 0x10000; }, {RecordingError::C1006}},
        {"count before mask", [](RecordingHeader& h) { h.videoMask = 0; h.chCount = 20; }, {RecordingError::C1005}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessagesWith(c.tweak), c.messages) << c.name;
}

TEST(HeaderCheck, VersionTwoTakesTheTrailingHeader)
{
    RecordingBuilder b;
    b.Version(2).VideoRun(0, kT0, 0, 50, 40, 25, 2000);
    testsupport::TempDir dir;
    b.Build().Write(dir.File("v2.vrc"));
    const RecordingReport r = RecordingReport::Run(dir.File("v2.vrc"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.tables.dataOffset, 4096u);
    EXPECT_EQ(r.header.header.chCount, 1);
}

TEST(HeaderCheck, VersionTwoWithABrokenTrailingHeaderIsIncorrect)
{
    testsupport::BuiltRecording built = RecordingBuilder().Version(2).VideoRun(0, kT0, 0, 50, 40, 25, 2000).Build();
    std::vector<uint8_t> bytes = built.Bytes();
    bytes[bytes.size() - 4096 + 2] = 9;
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir.File("v2.vrc"), bytes);
    EXPECT_EQ(RecordingReport::Run(dir.File("v2.vrc")).messages, std::vector{RecordingError::C1003});
}

TEST(HeaderCheck, ChannelNamesAreTakenByteForByte)
{
    RecordingHeader h;
    h.videoCh[0].chName.fill('x');
    EXPECT_EQ(h.videoCh[0].NameText().size(), 50u);
    h.videoCh[1].chName = {'C', 0xE9, '%', 'd', 0, 'z'};
    EXPECT_EQ(h.videoCh[1].NameText(), u"C\u00E9%d");
    EXPECT_EQ(recording::ToUtf8(h.videoCh[1].NameText()), "C\xC3\xA9%d");
}

} // namespace
