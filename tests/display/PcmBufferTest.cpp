#include <gtest/gtest.h>

#include "display/control/MuLaw.h"
#include "display/control/PcmBuffer.h"

namespace {

using display::PcmBuffer;

TEST(MuLaw, DecodesTheG711Segments)
{
    const std::pair<uint8_t, int16_t> cases[] = {
        {0xFF, 0}, {0x7F, 0}, {0x80, 32124}, {0x00, -32124}, {0xFE, 8}, {0x7E, -8}, {0xF0, 120}, {0xEF, 132}, {0xCF, 924},
    };
    for (auto [code, linear] : cases)
        EXPECT_EQ(display::MuLawToLinear(code), linear) << int(code);
}

std::vector<int16_t> ReadAll(PcmBuffer& buffer)
{
    std::vector<int16_t> samples(buffer.Samples());
    const qint64 read = buffer.read(reinterpret_cast<char*>(samples.data()), static_cast<qint64>(samples.size() * 2));
    samples.resize(static_cast<size_t>(read / 2));
    return samples;
}

TEST(PcmBuffer, PlaysTheNewestFifthOfASecondAtTheVolumeOfTheMoment)
{
    PcmBuffer buffer;
    buffer.open(QIODevice::ReadOnly);
    const uint8_t loud[] = {0x80, 0x00};
    const std::pair<int, std::vector<int16_t>> cases[] = {
        {0, {0, 0}}, {5, {10708, -10708}}, {40, {32124, -32124}}, {-3, {0, 0}}, {15, {32124, -32124}}};
    for (const auto& [volume, expected] : cases) {
        buffer.SetVolume(volume);
        buffer.Append(loud, 2);
        EXPECT_EQ(ReadAll(buffer), expected) << volume;
    }
    const std::vector<uint8_t> old(PcmBuffer::kMaxSamples, 0xFF);
    buffer.Append(old.data(), old.size());
    buffer.Append(loud, 1);
    const auto samples = ReadAll(buffer);
    ASSERT_EQ(samples.size(), PcmBuffer::kMaxSamples);
    EXPECT_EQ(samples.back(), 32124);
}

// Two seconds of input against a reader that keeps up: sound that waited a whole second (a
// sink that started late) is cut to the steady level, a level that emptied once is jitter.
TEST(PcmBuffer, CutsOnlyABacklogThatNeverDrainedInASecond)
{
    const std::vector<uint8_t> frame(160, 0xFF);
    constexpr int kStalled = 6;
    for (const bool drainedOnce : {false, true}) {
        PcmBuffer buffer;
        buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        std::vector<char> sink(frame.size() * 2);
        for (int i = 0; i < 2 * PcmBuffer::kSampleRate / 160; ++i) {
            if (i == 0 || (drainedOnce && i == 75)) {
                ReadAll(buffer);
                for (int k = 0; k < kStalled; ++k)
                    buffer.Append(frame.data(), frame.size());
            }
            buffer.Append(frame.data(), frame.size());
            buffer.read(sink.data(), static_cast<qint64>(sink.size()));
        }
        EXPECT_EQ(buffer.Samples(), drainedOnce ? kStalled * frame.size() : PcmBuffer::kSteadySamples) << drainedOnce;
    }
}

} // namespace
