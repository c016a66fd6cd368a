#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QImage>
#include <QSize>

#include "display/control/FrameStamp.h"
#include "display/control/StreamProbe.h"
#include "display/decoder/Ombrel.h"

namespace display {

class DecoderLibrary;

// How much work a frame is worth. Reduced leaves out the loop filter: for pictures too small
// or too brief for anyone to tell.
struct DecodeMode {
    bool reduced = false;
};

// One channel's decoding: follows the stream from key frame to key frame, makes a decoder for
// the codec its key frame announces, strips the recorder's block when the key frame carries
// one, and scales the last picture to a tile. It keeps the frames since the last key frame,
// so that a picture decoded the quick way can be decoded again fully filtered. Used by one
// worker at a time.
class ChannelDecoder {
public:
    // Beyond these, a group of pictures is not kept and its pictures stay as decoded.
    static constexpr size_t kMaxKeptBytes = 4 * 1024 * 1024;
    static constexpr size_t kMaxKeptFrames = 300;

    // name: how the decoder's messages call the channel.
    explicit ChannelDecoder(const DecoderLibrary& library, std::string name = "decoder");
    ~ChannelDecoder();
    ChannelDecoder(const ChannelDecoder&) = delete;
    ChannelDecoder& operator=(const ChannelDecoder&) = delete;

    // Forgets the reference pictures: nothing is decoded until the next key frame.
    void Resync();
    // Resync, and forget the last picture too.
    void Forget();
    // Decodes one frame; true when it gave a new picture. The stamp goes with the picture the
    // frame gives.
    bool Decode(std::vector<uint8_t> frame, DecodeMode mode, FrameStamp stamp = {});
    // Whether the last picture is the fully filtered decode of the last frame decoded.
    bool IsExact() const { return m_exact; }
    // Decodes the frames since the last key frame again, fully filtered; true when that gave
    // the picture. Later frames continue from it.
    bool Refine();
    // The stamp of the frame the last picture shows.
    FrameStamp PictureStamp() const { return m_pictureStamp; }
    // The last picture's width, 0 before the first.
    int PictureWidth() const { return m_pictureWidth; }
    // The last picture scaled to size, or a null image.
    QImage Render(QSize size);

private:
    void Release();
    bool Start(const StreamKind& kind);
    void Keep(std::vector<uint8_t> frame);
    bool Feed(const std::vector<uint8_t>& frame, bool reduced);

    const DecoderLibrary& m_library;
    const std::string m_name;
    OmbrelVDecoder* m_decoder = nullptr;
    OmbrelCConverter* m_converter = nullptr;
    StreamKind m_kind;
    bool m_waitingForKey = true;
    std::vector<std::vector<uint8_t>> m_kept; // the frames from the last key frame on
    size_t m_keptBytes = 0;
    bool m_keptWhole = false; // m_kept holds every frame since that key frame
    bool m_reducedSinceKey = false;
    bool m_exact = false;
    int m_pictureWidth = 0;
    FrameStamp m_lastFed;      // the frame fed last to the decoder
    FrameStamp m_pictureStamp; // the frame the last picture shows
};

} // namespace display
