#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace sample {

// One encoded picture as the encoder hands it out.
struct EncodedFrame {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool key = false;
    int64_t index = 0; // the number of the picture it encodes
};

// A libavcodec video encoder set up the way the recorder's streams are: MPEG-4 Part 2
// ("mpeg4") for formats 0 and 1, H.264 (libx264) for 2 and above; no B-frames, a key frame
// every `gop` pictures and nowhere else, and the sequence header repeated in front of each
// key frame so that any of them can start decoding.
class VideoEncoder {
public:
    using Sink = std::function<bool(const EncodedFrame&)>;

    // Encodes at a fixed quality, or at about bitRate bits a second when it is not 0. Empty
    // with `error` set on failure.
    static std::unique_ptr<VideoEncoder> Create(int videoFormat, int gop, int bitRate, std::string& error);
    ~VideoEncoder();

    // A blank picture to paint, owned by the encoder and valid until the next call.
    AVFrame& NextPicture();
    // Encodes the picture from NextPicture as picture `index`; every packet that comes out
    // goes to sink, in order. False when encoding fails or the sink says stop.
    bool Encode(int64_t index, const Sink& sink);
    // Drains the pictures the encoder still holds.
    bool Flush(const Sink& sink);

private:
    VideoEncoder() = default;
    bool Drain(const Sink& sink);

    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_gop = 1;
};

} // namespace sample
