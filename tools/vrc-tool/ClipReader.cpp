#include "tools/vrc-tool/ClipReader.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace vrctool {
namespace {

void Collect(AVFormatContext* context, AVPacket* packet, int video, int audio, bool keepData, ClipContents& c)
{
    while (av_read_frame(context, packet) >= 0) {
        const int stream = packet->stream_index;
        if (stream == video || stream == audio) {
            ClipContents::Packet p;
            if (keepData && stream == video)
                p.data.assign(packet->data, packet->data + packet->size);
            p.ms = av_rescale_q(packet->pts, context->streams[stream]->time_base, AVRational{1, 1000});
            p.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            (stream == video ? c.video : c.audio).push_back(std::move(p));
        }
        av_packet_unref(packet);
    }
}

} // namespace

std::optional<ClipContents> ClipContents::Read(const std::string& path, bool keepData)
{
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0)
        return std::nullopt;
    std::optional<ClipContents> result;
    AVPacket* packet = av_packet_alloc();
    const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (packet && video >= 0) {
        const int audio = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        ClipContents c;
        c.videoCodec = avcodec_get_name(context->streams[video]->codecpar->codec_id);
        if (audio >= 0)
            c.audioCodec = avcodec_get_name(context->streams[audio]->codecpar->codec_id);
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(context->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
            c.metadata.emplace_back(e->key, e->value);
        Collect(context, packet, video, audio, keepData, c);
        result = std::move(c);
    }
    av_packet_free(&packet);
    avformat_close_input(&context);
    return result;
}

} // namespace vrctool
