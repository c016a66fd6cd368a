#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include <QImage>
#include <QSize>

#include "display/control/StreamProbe.h"
#include "display/decoder/Ombrel.h"

namespace display {

class DecoderLibrary;

// One channel's decoding: follows the stream from key frame to key frame, makes a decoder for
// the codec its key frame announces, strips the recorder's block when the key frame carries
// one, and scales the last picture to a tile. Used by one worker at a time.
class ChannelDecoder {
public:
    // name: how the decoder's messages call the channel.
    explicit ChannelDecoder(const DecoderLibrary& library, std::string name = "decoder");
    ~ChannelDecoder();
    ChannelDecoder(const ChannelDecoder&) = delete;
    ChannelDecoder& operator=(const ChannelDecoder&) = delete;

    // Forgets the reference pictures: nothing is decoded until the next key frame.
    void Resync();
    // Resync, and forget the last picture too.
    void Forget();
    // Decodes one frame; true when it gave a new picture.
    bool Decode(const uint8_t* data, size_t size);
    // The last picture scaled to size, or a null image when there is none.
    QImage Render(QSize size);

private:
    void Release();

    const DecoderLibrary& m_library;
    const std::string m_name;
    OmbrelVDecoder* m_decoder = nullptr;
    OmbrelCConverter* m_converter = nullptr;
    StreamKind m_kind;
    bool m_waitingForKey = true;
};

} // namespace display
