#include "display/control/ChannelDecoder.h"

#include "display/control/DecoderLibrary.h"

namespace display {

ChannelDecoder::ChannelDecoder(const DecoderLibrary& library, std::string name)
    : m_library(library)
    , m_name(std::move(name))
{
}

ChannelDecoder::~ChannelDecoder()
{
    Release();
    if (m_converter)
        m_converter->Release(m_converter);
}

void ChannelDecoder::Release()
{
    for (OmbrelVDecoder*& decoder : m_decoders) {
        if (decoder)
            decoder->Release(decoder);
        decoder = nullptr;
    }
}

void ChannelDecoder::Resync()
{
    for (OmbrelVDecoder* decoder : m_decoders) {
        if (decoder)
            decoder->Reset(decoder);
    }
    // The frames kept stay: the picture on screen may still be decoded again from them.
    m_waitingForKey = true;
}

void ChannelDecoder::Forget()
{
    // A decoder made afresh at the next key frame has no picture to give.
    Release();
    m_kept.clear();
    m_keptWhole = false;
    m_waitingForKey = true;
    m_lastFed = {};
    m_pictureStamp = {};
}

bool ChannelDecoder::Start(const StreamKind& kind, DecodeMode mode)
{
    if (kind.codec != m_kind.codec)
        Release();
    m_kind = kind;
    const Slot slot = mode.threaded ? kThreaded : kSingle;
    OmbrelVDecoder*& decoder = m_decoders[slot];
    if (!decoder) {
        decoder = m_library.CreateDecoder(kind.codec);
        if (decoder && slot == kThreaded && decoder->SetThreads(decoder, 2) < 0) {
            decoder->Release(decoder);
            decoder = nullptr;
        }
        if (!decoder)
            return false;
        decoder->SetName(decoder, m_name.c_str());
    }
    // A threaded decoder left in the middle of a group still holds its last frame in flight:
    // taken up again, it would hand that frame out now, seconds old, as the frame before this one.
    if (slot != m_active)
        decoder->Reset(decoder);
    m_active = slot;
    m_kept.clear();
    m_keptBytes = 0;
    m_keptWhole = true;
    m_reducedSinceKey = false;
    return true;
}

bool ChannelDecoder::Decode(std::vector<uint8_t> frame, DecodeMode mode, FrameStamp stamp)
{
    if (const auto kind = ProbeKeyFrame(frame.data(), frame.size()))
        m_waitingForKey = !Start(*kind, mode);
    else if (!mode.threaded && m_active == kThreaded)
        Refine(); // back on one thread at once, so that this frame comes out now
    if (m_waitingForKey || !Active() || frame.size() <= m_kind.skip)
        return false;
    const bool decoded = Feed(frame, mode.reduced);
    m_reducedSinceKey = m_reducedSinceKey || mode.reduced;
    // A threaded decoder's picture is the frame before this one.
    if (decoded)
        m_pictureStamp = m_active == kThreaded ? m_lastFed : stamp;
    m_lastFed = stamp;
    m_exact = decoded && !m_reducedSinceKey && m_active == kSingle;
    Keep(std::move(frame));
    return decoded;
}

void ChannelDecoder::Keep(std::vector<uint8_t> frame)
{
    if (!m_keptWhole)
        return;
    if (m_kept.size() >= kMaxKeptFrames || m_keptBytes + frame.size() > kMaxKeptBytes) {
        m_kept = {};
        m_keptWhole = false;
        return;
    }
    m_keptBytes += frame.size();
    m_kept.push_back(std::move(frame));
}

bool ChannelDecoder::Feed(const std::vector<uint8_t>& frame, bool reduced)
{
    OmbrelVDecoder* decoder = Active();
    const size_t length = frame.size() - m_kind.skip;
    if (length > static_cast<size_t>(INT32_MAX))
        return false;
    decoder->SetDiscard(decoder, reduced ? OMBREL_DISCARD_LOOP_FILTER : 0);
    OmbrelPicture picture{};
    if (decoder->Decode(decoder, frame.data() + m_kind.skip, static_cast<int>(length), &picture) != 1)
        return false;
    m_shown = m_active;
    m_pictureWidth = picture.width;
    return true;
}

bool ChannelDecoder::Refine()
{
    if (m_exact || !m_keptWhole || m_kept.empty())
        return false;
    OmbrelVDecoder*& decoder = m_decoders[kSingle];
    if (!decoder) {
        decoder = m_library.CreateDecoder(m_kind.codec);
        if (!decoder)
            return false;
        decoder->SetName(decoder, m_name.c_str());
    }
    m_active = kSingle;
    decoder->Reset(decoder);
    bool decoded = false;
    for (const std::vector<uint8_t>& frame : m_kept)
        decoded = Feed(frame, false);
    m_reducedSinceKey = false;
    m_exact = decoded;
    if (decoded)
        m_pictureStamp = m_lastFed;
    return decoded;
}

QImage ChannelDecoder::Render(QSize size)
{
    // The decoder that gave the last picture: one switched to at a key frame may hold an old one.
    OmbrelVDecoder* decoder = m_decoders[m_shown];
    OmbrelPicture picture{};
    if (!decoder || size.isEmpty() || !decoder->Last(decoder, &picture))
        return {};
    if (!m_converter)
        m_converter = m_library.CreateConverter();
    if (!m_converter)
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (m_converter->Convert(m_converter, &picture, image.bits(), static_cast<int>(image.bytesPerLine()), size.width(),
                             size.height()) < 0)
        return {};
    return image;
}

} // namespace display
