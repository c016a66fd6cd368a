#pragma once
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace testsupport {

// Feeds payloads to a strict libavcodec decoder and keeps what comes out: a count of
// pictures, the last one, and every sound sample.
class PayloadDecoder {
public:
    explicit PayloadDecoder(const std::string& name)
    {
        const AVCodec* codec = avcodec_find_decoder_by_name(name.c_str());
        m_context = avcodec_alloc_context3(codec);
        m_context->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
        if (name == "pcm_mulaw") {
            m_context->sample_rate = 8000;
            av_channel_layout_default(&m_context->ch_layout, 1);
        }
        EXPECT_GE(avcodec_open2(m_context, codec, nullptr), 0) << name;
    }
    ~PayloadDecoder()
    {
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        av_frame_free(&last);
        avcodec_free_context(&m_context);
    }
    PayloadDecoder(const PayloadDecoder&) = delete;
    PayloadDecoder& operator=(const PayloadDecoder&) = delete;

    // False when the decoder reports an error on this payload.
    bool Send(std::span<const uint8_t> payload)
    {
        av_packet_unref(m_packet);
        if (av_new_packet(m_packet, static_cast<int>(payload.size())) < 0)
            return false;
        std::copy(payload.begin(), payload.end(), m_packet->data);
        return avcodec_send_packet(m_context, m_packet) >= 0 && Receive();
    }
    bool Flush() { return avcodec_send_packet(m_context, nullptr) >= 0 && Receive(); }

    int frames = 0;
    std::vector<int16_t> samples;
    AVFrame* last = av_frame_alloc(); // the last picture decoded (empty before the first)

private:
    bool Receive()
    {
        for (;;) {
            const int rc = avcodec_receive_frame(m_context, m_frame);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0 || m_frame->decode_error_flags != 0 || (m_frame->flags & AV_FRAME_FLAG_CORRUPT))
                return false;
            ++frames;
            if (m_frame->format == AV_SAMPLE_FMT_S16) {
                auto* s = reinterpret_cast<const int16_t*>(m_frame->data[0]);
                samples.insert(samples.end(), s, s + m_frame->nb_samples);
            }
            av_frame_unref(last);
            av_frame_ref(last, m_frame);
        }
    }

    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = av_frame_alloc();
    AVPacket* m_packet = av_packet_alloc();
};

} // namespace testsupport
