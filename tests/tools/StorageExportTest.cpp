#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "recording/ChannelExport.h"
#include "recording/FrameRecord.h"
#include "recording/IndexRecord.h"
#include "recording/StorageListing.h"
#include "recording/TimeConversion.h"
#include "support/TempDir.h"
#include "tools/sample/StorageWriter.h"

namespace {

namespace fs = std::filesystem;
using recording::FrameRecord;
using recording::IndexRecord;
using sample::StorageWriter;

constexpr int kChannels = 3;
constexpr int kSeconds = 3;

struct Frame {
    FrameRecord header;
    std::vector<uint8_t> payload;
};

std::vector<uint8_t> ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The index records of all files in number order, read independently of the export.
std::vector<std::pair<IndexRecord, std::vector<uint8_t>>> IndexRecords(const fs::path& folder)
{
    std::vector<std::pair<IndexRecord, std::vector<uint8_t>>> out;
    for (int s = 0; s < kSeconds; ++s) {
        const auto bytes = ReadAll(folder / ("DISK0001_" + std::to_string(StorageWriter::IndexNumber(s)) + ".vdx"));
        for (size_t at = 0; at + IndexRecord::kHeaderSize <= bytes.size();) {
            const IndexRecord r = IndexRecord::Parse(&bytes[at]);
            at += IndexRecord::kHeaderSize;
            out.emplace_back(r, std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + r.i_size));
            at += r.i_size;
        }
    }
    return out;
}

std::vector<Frame> ChannelFrames(const fs::path& file)
{
    const auto bytes = ReadAll(file);
    std::vector<Frame> out;
    for (size_t at = 0; at + FrameRecord::kHeaderSize <= bytes.size();) {
        const FrameRecord h = FrameRecord::Parse(&bytes[at]);
        at += FrameRecord::kHeaderSize;
        out.push_back({h, std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + h.f_size)});
        at += h.f_size;
    }
    return out;
}

int DecodedFrames(const std::vector<Frame>& frames)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int decoded = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0)
            ++decoded;
    };
    for (const Frame& f : frames) {
        pkt->data = const_cast<uint8_t*>(f.payload.data());
        pkt->size = static_cast<int>(f.payload.size());
        EXPECT_EQ(avcodec_send_packet(ctx, pkt), 0);
        drain();
    }
    avcodec_send_packet(ctx, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    return decoded;
}

TEST(StorageExport, ChannelFilesMatchTheIndexRecordsOneForOneAndDecode)
{
    testsupport::TempDir dir;
    ASSERT_EQ(StorageWriter::Write(dir.Path().string(), kChannels, kSeconds), "");
    std::vector<std::string> list;
    recording::ApplyStorageInserts(list, recording::FindStorageEntries(dir.Path().string()));
    EXPECT_EQ(list, (std::vector<std::string>{"VX02/DISK0005", "VX01/DISK0001", "VX01/DISK0002"}));

    const fs::path folder = dir / StorageWriter::kEntry;
    const recording::ChannelExport::Result result = recording::ChannelExport::Run(folder.string());
    EXPECT_EQ(result.indexFilesRead, kSeconds);
    ASSERT_EQ(result.channels.size(), size_t{kChannels});

    const auto index = IndexRecords(folder);
    for (int c = 0; c < kChannels; ++c) {
        const std::vector<Frame> frames = ChannelFrames(folder / "Ch" / ("DISK0001_0" + std::to_string(c) + ".chv"));
        size_t n = 0;
        uint32_t prev = 0;
        for (const auto& [r, payload] : index) {
            if (r.i_ch != static_cast<uint32_t>(c))
                continue;
            ASSERT_LT(n, frames.size());
            const Frame& f = frames[n++];
            EXPECT_EQ(f.header.f_time, recording::SystemTimeToFTime(r.i_time));
            EXPECT_EQ(f.header.f_msec, r.i_time.wMilliseconds);
            EXPECT_EQ(f.header.f_key, r.i_key);
            EXPECT_EQ(f.header.f_prevSize, prev);
            EXPECT_EQ(f.payload, payload);
            prev = r.i_size;
        }
        EXPECT_EQ(n, frames.size());
        EXPECT_EQ(result.channels[c].records, frames.size());
        EXPECT_EQ(DecodedFrames(frames), kSeconds * 25) << "channel " << c;
    }
}

} // namespace
