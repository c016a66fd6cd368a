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
    m_waitingForKey = true;
}

void ChannelDecoder::Forget()
{
    // A decoder made afresh at the next key frame has no picture to give.
    Release();
    m_waitingForKey = true;
}

bool ChannelDecoder::Decode(const uint8_t* data, size_t size)
{
    if (const auto kind = ProbeKeyFrame(data, size)) {
        if (!m_decoder || kind->codec != m_kind.codec) {
            Release();
            m_decoder = m_library.CreateDecoder(kind->codec);
            if (m_decoder)
                m_decoder->SetName(m_decoder, m_name.c_str());
        }
        m_kind = *kind;
        m_waitingForKey = false;
    }
    if (m_waitingForKey || !m_decoder || size <= m_kind.skip)
        return false;
    OmbrelPicture picture{};
    const size_t length = size - m_kind.skip;
    if (length > static_cast<size_t>(INT32_MAX))
        return false;
    return m_decoder->Decode(m_decoder, data + m_kind.skip, static_cast<int>(length), &picture) == 1;
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
