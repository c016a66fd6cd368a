// The decoder library: libavcodec and libswscale behind the C interface of Ombrel.h.
#include "display/decoder/Ombrel.h"

#include "display/decoder/LibavLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#define OMBREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Decoder {
    OmbrelVDecoder api; // first, so that the interface pointer is the object's address
    const AVCodec* codec = nullptr;
    AVCodecContext* context = nullptr;
    int discard = 0;            // OmbrelDiscard flags, kept over a change of threads
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;   // the picture being received
    AVFrame* last = nullptr;    // the last picture received, kept for Last
    display::LibavLog::Source log{"decoder"};
};

// libavcodec names its codec context as the source; the decoder is its opaque.
display::LibavLog::Source* DecoderSource(void* context)
{
    const bool ours = *static_cast<const AVClass**>(context) == avcodec_get_class() &&
                      static_cast<AVCodecContext*>(context)->opaque;
    return ours ? &static_cast<Decoder*>(static_cast<AVCodecContext*>(context)->opaque)->log : nullptr;
}

void Fill(const AVFrame* frame, OmbrelPicture* out)
{
    out->width = frame->width;
    out->height = frame->height;
    out->format = frame->format;
    for (int i = 0; i < 4; ++i) {
        out->planes[i] = frame->data[i];
        out->strides[i] = frame->linesize[i];
    }
}

int Decode(OmbrelVDecoder* self, const uint8_t* data, int size, OmbrelPicture* out)
{
    auto* d = reinterpret_cast<Decoder*>(self);
    if (!data || size <= 0)
        return AVERROR(EINVAL);
    // libavcodec reads a little past the end of its input, so the bytes go into a padded packet.
    av_packet_unref(d->packet);
    if (av_new_packet(d->packet, size) < 0)
        return AVERROR(ENOMEM);
    std::copy(data, data + size, d->packet->data);
    int sent = avcodec_send_packet(d->context, d->packet);
    if (sent < 0 && sent != AVERROR(EAGAIN))
        return sent;
    int got = 0;
    // One frame in gives at most one picture out; take whatever is ready.
    while (avcodec_receive_frame(d->context, d->frame) == 0) {
        av_frame_unref(d->last);
        av_frame_move_ref(d->last, d->frame);
        got = 1;
    }
    if (got)
        Fill(d->last, out);
    return got;
}

void Reset(OmbrelVDecoder* self)
{
    avcodec_flush_buffers(reinterpret_cast<Decoder*>(self)->context);
}

int Last(OmbrelVDecoder* self, OmbrelPicture* out)
{
    auto* d = reinterpret_cast<Decoder*>(self);
    if (!d->last->data[0])
        return 0;
    Fill(d->last, out);
    return 1;
}

void SetName(OmbrelVDecoder* self, const char* name)
{
    auto* d = reinterpret_cast<Decoder*>(self);
    display::LibavLog::Guarded([&] { d->log.name = std::string(name ? name : "").substr(0, 31); });
}

// libavcodec reads these settings at each frame and slice, so they may change between any two frames.
void ApplyDiscard(Decoder* d)
{
    d->context->skip_frame = d->discard & OMBREL_DISCARD_NONKEY ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;
    d->context->skip_loop_filter = d->discard & OMBREL_DISCARD_LOOP_FILTER ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
}

void SetDiscard(OmbrelVDecoder* self, int flags)
{
    auto* d = reinterpret_cast<Decoder*>(self);
    d->discard = flags;
    ApplyDiscard(d);
}

void FreeContext(Decoder* d)
{
    // A message being said for this decoder must not find it gone.
    display::LibavLog::Guarded([&] {
        if (d->context)
            d->context->opaque = nullptr;
    });
    avcodec_free_context(&d->context);
}

bool OpenContext(Decoder* d)
{
    d->context = avcodec_alloc_context3(d->codec);
    if (!d->context)
        return false;
    // Every frame handed in comes out at once: the picture on screen is the last one pushed,
    // even when playback pauses. The caller parallelises across channels and groups of
    // pictures instead of threading a decoder.
    d->context->thread_count = 1;
    d->context->flags |= AV_CODEC_FLAG_LOW_DELAY;
    d->context->opaque = d;
    ApplyDiscard(d);
    return avcodec_open2(d->context, d->codec, nullptr) >= 0;
}

void ReleaseDecoder(OmbrelVDecoder* self)
{
    auto* d = reinterpret_cast<Decoder*>(self);
    FreeContext(d);
    av_packet_free(&d->packet);
    av_frame_free(&d->frame);
    av_frame_free(&d->last);
    delete d;
}

struct Converter {
    OmbrelCConverter api;
    SwsContext* sws = nullptr;
};

int Scale(Converter* c, const OmbrelPicture* picture, AVPixelFormat to, uint8_t* dst, int stride, int width,
          int height)
{
    if (!picture || !dst || width <= 0 || height <= 0 || picture->width <= 0 || picture->height <= 0)
        return AVERROR(EINVAL);
    // Bilinear is the cheapest filter that does not alias when shrinking a camera's picture
    // into a small tile: fast bilinear skips source pixels, and area averaging lands further
    // from the full picture than the loop filter left out does.
    c->sws = sws_getCachedContext(c->sws, picture->width, picture->height, AVPixelFormat(picture->format), width,
                                  height, to, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!c->sws)
        return AVERROR(EINVAL);
    uint8_t* planes[4] = {dst, nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    int rows = sws_scale(c->sws, picture->planes, picture->strides, 0, picture->height, planes, strides);
    return rows == height ? 0 : AVERROR(EINVAL);
}

int Convert(OmbrelCConverter* self, const OmbrelPicture* picture, uint8_t* dst, int stride, int width, int height)
{
    return Scale(reinterpret_cast<Converter*>(self), picture, AV_PIX_FMT_BGRA, dst, stride, width, height);
}

int ConvertLuma(OmbrelCConverter* self, const OmbrelPicture* picture, uint8_t* dst, int stride, int width, int height)
{
    return Scale(reinterpret_cast<Converter*>(self), picture, AV_PIX_FMT_GRAY8, dst, stride, width, height);
}

void ReleaseConverter(OmbrelCConverter* self)
{
    auto* c = reinterpret_cast<Converter*>(self);
    sws_freeContext(c->sws);
    delete c;
}

} // namespace

OMBREL_EXPORT OmbrelVDecoder* CreateVDecoder(int codec)
{
    const AVCodecID id = codec == OMBREL_CODEC_H264    ? AV_CODEC_ID_H264
                         : codec == OMBREL_CODEC_MPEG4 ? AV_CODEC_ID_MPEG4
                                                       : AV_CODEC_ID_NONE;
    const AVCodec* decoder = avcodec_find_decoder(id);
    if (!decoder)
        return nullptr;
    display::LibavLog::Install(DecoderSource, "decoder library");
    auto* d = new Decoder;
    d->api = {Decode, Reset, Last, ReleaseDecoder, SetName, SetDiscard};
    d->codec = decoder;
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    d->last = av_frame_alloc();
    if (!d->packet || !d->frame || !d->last || !OpenContext(d)) {
        ReleaseDecoder(&d->api);
        return nullptr;
    }
    return &d->api;
}

OMBREL_EXPORT OmbrelCConverter* CreateCConverter(void)
{
    auto* c = new Converter;
    c->api = {Convert, ReleaseConverter, ConvertLuma};
    return &c->api;
}

OMBREL_EXPORT void SetLogSink(OmbrelLogFn sink) { display::LibavLog::SetSink(sink); }

// libavutil outlives this library when the library is unloaded: it must not keep calling in.
__attribute__((destructor)) static void RestoreLibavLog() { display::LibavLog::Restore(); }
