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
    if (m_decoder)
        m_decoder->Release(m_decoder);
    m_decoder = nullptr;
}

void ChannelDecoder::Resync()
{
    if (m_decoder)
        m_decoder->Reset(m_decoder);
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

bool ChannelDecoder::Start(const StreamKind& kind)
{
    if (kind.codec != m_kind.codec)
        Release();
    m_kind = kind;
    if (!m_decoder) {
        m_decoder = m_library.CreateDecoder(kind.codec);
        if (!m_decoder)
            return false;
        m_decoder->SetName(m_decoder, m_name.c_str());
    }
    m_kept.clear();
    m_keptBytes = 0;
    m_keptWhole = true;
    m_reducedSinceKey = false;
    return true;
}

bool ChannelDecoder::Decode(std::vector<uint8_t> frame, DecodeMode mode, FrameStamp stamp)
{
    if (const auto kind = ProbeKeyFrame(frame.data(), frame.size()))
        m_waitingForKey = !Start(*kind);
    if (m_waitingForKey || !m_decoder || frame.size() <= m_kind.skip)
        return false;
    const bool decoded = Feed(frame, mode.reduced);
    m_reducedSinceKey = m_reducedSinceKey || mode.reduced;
    if (decoded)
        m_pictureStamp = stamp;
    m_lastFed = stamp;
    m_exact = decoded && !m_reducedSinceKey;
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
    const size_t length = frame.size() - m_kind.skip;
    if (length > static_cast<size_t>(INT32_MAX))
        return false;
    m_decoder->SetDiscard(m_decoder, reduced ? OMBREL_DISCARD_LOOP_FILTER : 0);
    OmbrelPicture picture{};
    if (m_decoder->Decode(m_decoder, frame.data() + m_kind.skip, static_cast<int>(length), &picture) != 1)
        return false;
    m_pictureWidth = picture.width;
    return true;
}

bool ChannelDecoder::Refine()
{
    if (m_exact || !m_keptWhole || m_kept.empty() || !m_decoder)
        return false;
    m_decoder->Reset(m_decoder);
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
    OmbrelPicture picture{};
    if (!m_decoder || size.isEmpty() || !m_decoder->Last(m_decoder, &picture))
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
