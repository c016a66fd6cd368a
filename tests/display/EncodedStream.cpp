#include "display/EncodedStream.h"

#include <algorithm>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace testsupport {
namespace {

constexpr int kWidth = 704;
constexpr int kHeight = 576;
constexpr size_t kBlockSize = 52;

// Fills picture rows [top, bottom) with a colour (BT.601, limited range).
void Paint(AVFrame* frame, QColor colour, int top, int bottom)
{
    const int r = colour.red(), g = colour.green(), b = colour.blue();
    const auto y = static_cast<uint8_t>(16 + (66 * r + 129 * g + 25 * b + 128) / 256);
    const auto u = static_cast<uint8_t>(128 + (-38 * r - 74 * g + 112 * b + 128) / 256);
    const auto v = static_cast<uint8_t>(128 + (112 * r - 94 * g - 18 * b + 128) / 256);
    for (int row = top; row < bottom; ++row)
        std::fill_n(frame->data[0] + row * frame->linesize[0], kWidth, y);
    for (int row = top / 2; row < bottom / 2; ++row) {
        std::fill_n(frame->data[1] + row * frame->linesize[1], kWidth / 2, u);
        std::fill_n(frame->data[2] + row * frame->linesize[2], kWidth / 2, v);
    }
}

void Collect(AVCodecContext* context, AVPacket* packet, PayloadFormat format, std::vector<EncodedFrame>& out)
{
    while (avcodec_receive_packet(context, packet) == 0) {
        EncodedFrame frame;
        frame.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        if (format == PayloadFormat::H264Block) {
            frame.data.assign(kBlockSize, 0);
            frame.data[4] = 0x19;
        }
        frame.data.insert(frame.data.end(), packet->data, packet->data + packet->size);
        out.push_back(std::move(frame));
        av_packet_unref(packet);
    }
}

} // namespace

std::vector<EncodedFrame> EncodeStream(PayloadFormat format, QColor colour, int count, int gop, QColor bottom)
{
    if (!bottom.isValid())
        bottom = colour;
    const bool h264 = format != PayloadFormat::Mpeg4;
    const AVCodec* codec = h264 ? avcodec_find_encoder_by_name("libx264") : avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec)
        throw std::runtime_error("encoder missing");
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = kWidth;
    context->height = kHeight;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = {1, 25};
    context->gop_size = gop;
    context->max_b_frames = 0;
    if (h264) {
        av_opt_set(context->priv_data, "preset", "ultrafast", 0);
        av_opt_set(context->priv_data, "tune", "zerolatency", 0);
    } else {
        context->bit_rate = 2'000'000;
    }
    if (avcodec_open2(context, codec, nullptr) < 0)
        throw std::runtime_error("encoder failed to open");
    AVFrame* frame = av_frame_alloc();
    frame->width = kWidth;
    frame->height = kHeight;
    frame->format = AV_PIX_FMT_YUV420P;
    av_frame_get_buffer(frame, 0);
    AVPacket* packet = av_packet_alloc();
    std::vector<EncodedFrame> frames;
    for (int i = 0; i < count; ++i) {
        av_frame_make_writable(frame);
        Paint(frame, colour, 0, kHeight / 2);
        Paint(frame, bottom, kHeight / 2, kHeight);
        frame->pts = i;
        frame->pict_type = i % gop == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        avcodec_send_frame(context, frame);
        Collect(context, packet, format, frames);
    }
    avcodec_send_frame(context, nullptr);
    Collect(context, packet, format, frames);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return frames;
}

} // namespace testsupport
