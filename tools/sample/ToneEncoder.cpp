#include "tools/sample/ToneEncoder.h"

#include <cmath>
#include <cstring>
#include <numbers>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace sample {

std::unique_ptr<ToneEncoder> ToneEncoder::Create(int channel, std::string& error)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_MULAW);
    if (!codec) {
        error = "libavcodec has no pcm_mulaw encoder";
        return nullptr;
    }
    std::unique_ptr<ToneEncoder> e(new ToneEncoder);
    e->m_channel = channel;
    e->m_context = avcodec_alloc_context3(codec);
    e->m_frame = av_frame_alloc();
    e->m_packet = av_packet_alloc();
    if (!e->m_context || !e->m_frame || !e->m_packet) {
        error = "out of memory";
        return nullptr;
    }
    AVCodecContext& c = *e->m_context;
    c.sample_rate = kSampleRate;
    c.sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&c.ch_layout, 1);
    if (avcodec_open2(&c, codec, nullptr) < 0) {
        error = "cannot open the pcm_mulaw encoder";
        return nullptr;
    }
    e->m_frame->format = c.sample_fmt;
    e->m_frame->sample_rate = c.sample_rate;
    e->m_frame->nb_samples = kFrameSamples;
    av_channel_layout_copy(&e->m_frame->ch_layout, &c.ch_layout);
    if (av_frame_get_buffer(e->m_frame, 0) < 0) {
        error = "out of memory";
        return nullptr;
    }
    return e;
}

ToneEncoder::~ToneEncoder()
{
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_context);
}

const uint8_t* ToneEncoder::Encode(int64_t index)
{
    if (av_frame_make_writable(m_frame) < 0)
        return nullptr;
    auto* samples = reinterpret_cast<int16_t*>(m_frame->data[0]);
    const double step = 2 * std::numbers::pi * Pitch(m_channel) / kSampleRate;
    for (int i = 0; i < kFrameSamples; ++i) {
        const int64_t n = index * kFrameSamples + i;
        const bool beep = n % kSampleRate < kSampleRate / 5;
        samples[i] = static_cast<int16_t>((beep ? 12000 : 3000) * std::sin(step * static_cast<double>(n % kSampleRate)));
    }
    m_frame->pts = index * kFrameSamples;
    if (avcodec_send_frame(m_context, m_frame) < 0 || avcodec_receive_packet(m_context, m_packet) < 0)
        return nullptr;
    const bool whole = m_packet->size == kFrameSamples;
    if (whole)
        std::memcpy(m_bytes.data(), m_packet->data, kFrameSamples);
    av_packet_unref(m_packet);
    return whole ? m_bytes.data() : nullptr;
}

} // namespace sample
