#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace sample {

// G.711 mu-law audio as the recorder stores it: 8 kHz mono, 20 ms (160-byte) frames.
// Each channel plays its own pitch, louder for the first 200 ms of every second so that
// sound and picture can be checked against each other.
class ToneEncoder {
public:
    static constexpr int kSampleRate = 8000;
    static constexpr int kFrameSamples = 160;
    static constexpr int kFramesPerSecond = kSampleRate / kFrameSamples;

    // The tone's pitch on channel k, in Hz.
    static int Pitch(int channel) { return 300 + 100 * channel; }

    static std::unique_ptr<ToneEncoder> Create(int channel, std::string& error);
    ~ToneEncoder();

    // The kFrameSamples mu-law bytes of frame `index` (20 ms each from the first), valid
    // until the next call; nullptr on failure.
    const uint8_t* Encode(int64_t index);

private:
    ToneEncoder() = default;

    int m_channel = 0;
    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    std::array<uint8_t, kFrameSamples> m_bytes{};
};

} // namespace sample
