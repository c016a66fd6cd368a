#include "tools/sample/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include "tools/sample/ChannelColour.h"

namespace sample {
namespace {

bool ConfigureX264(AVCodecContext& c, int gop, bool cameraLike)
{
    // ultrafast keeps a 16-channel hour affordable on two cores; scenecut 0 keeps key
    // frames on the GOP grid, which the recorder's streams always are. A camera's encoder
    // keeps the loop filter that ultrafast leaves out, and so does a decoder's cost.
    const std::string params = "keyint=" + std::to_string(gop) + ":min-keyint=" + std::to_string(gop) +
                               ":scenecut=0:bframes=0:repeat-headers=1:aud=0" + (cameraLike ? ":deblock=0,0" : "");
    return av_opt_set(c.priv_data, "preset", "ultrafast", 0) >= 0 &&
           av_opt_set(c.priv_data, "x264-params", params.c_str(), 0) >= 0 &&
           av_opt_set_int(c.priv_data, "forced-idr", 1, 0) >= 0;
}

} // namespace

std::unique_ptr<VideoEncoder> VideoEncoder::Create(int videoFormat, int gop, int bitRate, std::string& error)
{
    // The encoders' statistics would bury the caller's own output.
    av_log_set_level(AV_LOG_ERROR);
    const bool h264 = videoFormat >= 2;
    const AVCodec* codec = avcodec_find_encoder_by_name(h264 ? "libx264" : "mpeg4");
    if (!codec) {
        error = h264 ? "libavcodec has no libx264 encoder" : "libavcodec has no mpeg4 encoder";
        return nullptr;
    }
    std::unique_ptr<VideoEncoder> e(new VideoEncoder);
    e->m_gop = gop;
    e->m_context = avcodec_alloc_context3(codec);
    e->m_frame = av_frame_alloc();
    e->m_packet = av_packet_alloc();
    if (!e->m_context || !e->m_frame || !e->m_packet) {
        error = "out of memory";
        return nullptr;
    }
    AVCodecContext& c = *e->m_context;
    c.width = kPictureWidth;
    c.height = kPictureHeight;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = {1, kFramesPerSecond};
    c.framerate = {kFramesPerSecond, 1};
    c.gop_size = gop;
    c.keyint_min = gop;
    c.max_b_frames = 0;
    c.thread_count = 2;
    if (bitRate > 0) {
        c.bit_rate = bitRate;
        c.rc_max_rate = bitRate * 3 / 2;
        c.rc_buffer_size = bitRate / 2; // key frames stay well within what a record may hold
    } else if (!h264) {
        c.flags |= AV_CODEC_FLAG_QSCALE;
        c.global_quality = FF_QP2LAMBDA * 4;
    }
    if (h264 && !ConfigureX264(c, gop, bitRate > 0)) {
        error = "cannot set the libx264 options";
        return nullptr;
    }
    if (avcodec_open2(&c, codec, nullptr) < 0) {
        error = std::string("cannot open the ") + codec->name + " encoder";
        return nullptr;
    }
    e->m_frame->format = c.pix_fmt;
    e->m_frame->width = c.width;
    e->m_frame->height = c.height;
    if (av_frame_get_buffer(e->m_frame, 0) < 0) {
        error = "out of memory";
        return nullptr;
    }
    return e;
}

VideoEncoder::~VideoEncoder()
{
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_context);
}

AVFrame& VideoEncoder::NextPicture()
{
    // The encoder may still reference the last picture's buffers; take fresh ones then.
    av_frame_make_writable(m_frame);
    return *m_frame;
}

bool VideoEncoder::Encode(int64_t index, const Sink& sink)
{
    m_frame->pts = index;
    m_frame->pict_type = index % m_gop == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    return avcodec_send_frame(m_context, m_frame) >= 0 && Drain(sink);
}

bool VideoEncoder::Flush(const Sink& sink) { return avcodec_send_frame(m_context, nullptr) >= 0 && Drain(sink); }

bool VideoEncoder::Drain(const Sink& sink)
{
    for (;;) {
        const int rc = avcodec_receive_packet(m_context, m_packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return false;
        const EncodedFrame out{m_packet->data, static_cast<size_t>(m_packet->size),
                               (m_packet->flags & AV_PKT_FLAG_KEY) != 0, m_packet->pts};
        const bool more = sink(out);
        av_packet_unref(m_packet);
        if (!more)
            return false;
    }
}

} // namespace sample
