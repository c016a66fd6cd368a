#include "motion/LumaDecoder.h"

#include <climits>

namespace motion {

LumaDecoder::LumaDecoder(int codec, bool keyFramesOnly) : m_decoder(CreateVDecoder(codec)), m_converter(CreateCConverter())
{
    // The analysis compares coarse blocks: deblocking changes nothing it would see.
    if (m_decoder)
        m_decoder->SetDiscard(m_decoder, OMBREL_DISCARD_LOOP_FILTER | (keyFramesOnly ? OMBREL_DISCARD_NONKEY : 0));
}

LumaDecoder::~LumaDecoder()
{
    if (m_decoder)
        m_decoder->Release(m_decoder);
    if (m_converter)
        m_converter->Release(m_converter);
}

bool LumaDecoder::Decode(const uint8_t* data, size_t size, LumaFrame& out)
{
    OmbrelPicture picture{};
    if (!IsReady() || size > INT_MAX || m_decoder->Decode(m_decoder, data, static_cast<int>(size), &picture) != 1)
        return false;
    const int width = picture.width / kScale;
    const int height = picture.height / kScale;
    if (width <= 0 || height <= 0)
        return false;
    out.width = width;
    out.height = height;
    out.sourceWidth = picture.width;
    out.sourceHeight = picture.height;
    out.pixels.resize(static_cast<size_t>(width) * height);
    return m_converter->ConvertLuma(m_converter, &picture, out.pixels.data(), width, width, height) == 0;
}

} // namespace motion
