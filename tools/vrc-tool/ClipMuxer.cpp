#include "tools/vrc-tool/ClipMuxer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
}

#include "tools/vrc-tool/AvcFraming.h"

namespace vrctool {
namespace {

constexpr AVRational kMilliseconds{1, 1000};
constexpr int kAudioRate = 8000;
// The output cannot seek, so MP4 is written in fragments that each start at a key frame.
constexpr const char* kMovFlags = "+use_metadata_tags+frag_keyframe+empty_moov+default_base_moof";
// The MP4 muxer closes a text sample when a packet of any track passes the text track's end,
// comparing the two times as numbers: the pictures must count milliseconds as the text does.
constexpr const char* kVideoTimescale = "1000";

// The container needs the picture size; the parser reads it from the sequence header.
bool PictureSize(AVCodecID codec, const std::vector<uint8_t>& key, int& width, int& height)
{
    AVCodecParserContext* parser = av_parser_init(codec);
    AVCodecContext* context = avcodec_alloc_context3(nullptr);
    if (parser && context) {
        parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
        uint8_t* out = nullptr;
        int outSize = 0;
        av_parser_parse2(parser, context, &out, &outSize, key.data(), static_cast<int>(key.size()), AV_NOPTS_VALUE,
                         AV_NOPTS_VALUE, 0);
        width = parser->width > 0 ? parser->width : context->width;
        height = parser->height > 0 ? parser->height : context->height;
    }
    avcodec_free_context(&context);
    av_parser_close(parser);
    return width > 0 && height > 0;
}

// The sequence header of the first frame, which MP4 and Matroska keep in the stream's
// description as well as in the frames.
std::vector<uint8_t> SequenceHeader(AVCodecID codec, const std::vector<uint8_t>& key)
{
    std::vector<uint8_t> header;
    AVBSFContext* bsf = nullptr;
    AVPacket* packet = av_packet_alloc();
    if (packet && av_bsf_alloc(av_bsf_get_by_name("extract_extradata"), &bsf) == 0) {
        bsf->par_in->codec_id = codec;
        if (av_bsf_init(bsf) == 0 && av_new_packet(packet, static_cast<int>(key.size())) == 0) {
            std::memcpy(packet->data, key.data(), key.size());
            if (av_bsf_send_packet(bsf, packet) == 0 && av_bsf_receive_packet(bsf, packet) == 0) {
                size_t size = 0;
                const uint8_t* data = av_packet_get_side_data(packet, AV_PKT_DATA_NEW_EXTRADATA, &size);
                if (data)
                    header.assign(data, data + size);
            }
        }
    }
    av_packet_free(&packet);
    av_bsf_free(&bsf);
    return header;
}

} // namespace

std::string ClipMuxer::ContainerOf(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext.empty() || ext == ".mkv")
        return "mkv";
    return ext == ".mp4" ? "mp4" : std::string();
}

std::string ClipMuxer::Open(const std::string& path, const std::string& container, const std::vector<Video>& tracks,
                            bool audio, const Metadata& metadata)
{
    const char* format = container == "mp4" ? "mp4" : "matroska";
    if (avformat_alloc_output_context2(&m_context, nullptr, format, nullptr) < 0 || !(m_packet = av_packet_alloc()))
        return "libavformat cannot write " + container;
    // Fixed track numbers in place of random IDs, and no library version or date.
    m_context->flags |= AVFMT_FLAG_BITEXACT;
    m_movText = container == "mp4";
    int64_t durationMs = 0;
    for (const Video& video : tracks) {
        durationMs = std::max(durationMs, video.durationMs);
        Track& track = m_tracks.emplace_back();
        track.video = m_context->nb_streams;
        if (std::string error = AddVideo(video); !error.empty())
            return error;
        if (audio && (track.audio = AddAudio()) < 0)
            return "cannot add the sound stream";
        if ((track.captions = AddCaptions(tracks.size() > 1 ? "recorded time, " + video.title : "recorded time")) < 0)
            return "cannot add the caption track";
    }
    m_context->duration = av_rescale(durationMs, AV_TIME_BASE, 1000);
    for (const auto& [key, value] : metadata)
        av_dict_set(&m_context->metadata, key.c_str(), value.c_str(), 0);
    if (std::string error = m_file.Open(path); !error.empty())
        return error;
    m_context->pb = m_file.Context();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", kMovFlags, 0);
    av_dict_set(&options, "video_track_timescale", kVideoTimescale, 0);
    const int status = avformat_write_header(m_context, &options);
    av_dict_free(&options);
    if (status < 0)
        return "cannot write the container's header: " + Error();
    m_headerWritten = true;
    return {};
}

ClipMuxer::~ClipMuxer()
{
    if (m_context)
        m_context->pb = nullptr;
    avformat_free_context(m_context);
    av_packet_free(&m_packet);
}

std::string ClipMuxer::AddVideo(const Video& video)
{
    m_h264 = video.h264;
    const AVCodecID codec = video.h264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_MPEG4;
    int width = 0, height = 0;
    if (!PictureSize(codec, video.firstKey, width, height))
        return "the first key frame carries no picture size";
    AVStream* stream = avformat_new_stream(m_context, nullptr);
    if (!stream)
        return "cannot add the video stream";
    stream->time_base = kMilliseconds;
    av_dict_set(&stream->metadata, "title", video.title.c_str(), 0);
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = codec;
    par->width = width;
    par->height = height;
    const std::vector<uint8_t> header = video.h264
                                            ? AvcFraming::DecoderRecord(video.firstKey.data(), video.firstKey.size())
                                            : SequenceHeader(codec, video.firstKey);
    if (video.h264 && header.empty())
        return "the first key frame carries no sequence and picture parameter sets";
    if (!header.empty()) {
        par->extradata = static_cast<uint8_t*>(av_mallocz(header.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!par->extradata)
            return "out of memory";
        std::memcpy(par->extradata, header.data(), header.size());
        par->extradata_size = static_cast<int>(header.size());
    }
    return {};
}

int ClipMuxer::AddAudio()
{
    AVStream* stream = avformat_new_stream(m_context, nullptr);
    if (!stream)
        return -1;
    stream->time_base = kMilliseconds;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = AV_CODEC_ID_PCM_MULAW;
    par->sample_rate = kAudioRate;
    av_channel_layout_default(&par->ch_layout, 1);
    par->bits_per_coded_sample = 8;
    par->block_align = 1;
    return stream->index;
}

const std::vector<uint8_t>& ClipMuxer::Stored(const uint8_t* data, size_t size)
{
    if (m_h264)
        m_stored = AvcFraming::ToLengths(data, size);
    else
        m_stored.assign(data, data + size);
    return m_stored;
}

int ClipMuxer::AddCaptions(const std::string& title)
{
    AVStream* stream = avformat_new_stream(m_context, nullptr);
    if (!stream)
        return -1;
    stream->time_base = kMilliseconds;
    stream->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
    stream->codecpar->codec_id = m_movText ? AV_CODEC_ID_MOV_TEXT : AV_CODEC_ID_SUBRIP;
    av_dict_set(&stream->metadata, "title", title.c_str(), 0);
    return stream->index;
}

bool ClipMuxer::WriteCaption(size_t track, const std::string& text, int64_t startMs, int64_t endMs)
{
    // A text sample of MP4 is the text behind its length (16 bits, big-endian).
    const size_t size = std::min<size_t>(text.size(), UINT16_MAX);
    const std::string sample =
        m_movText ? std::string{static_cast<char>(size >> 8), static_cast<char>(size & 0xFF)} + text.substr(0, size) : text;
    return Write(m_tracks[track].captions, reinterpret_cast<const uint8_t*>(sample.data()), sample.size(), startMs,
                 std::max<int64_t>(endMs - startMs, 1), false);
}

bool ClipMuxer::WriteVideo(size_t track, int64_t ms, bool key)
{
    Track& t = m_tracks[track];
    if (t.heldMs >= 0) {
        t.lastStepMs = ms - t.heldMs;
        if (!FlushHeld(t, t.lastStepMs))
            return false;
    }
    t.held.swap(m_stored);
    t.heldMs = ms;
    t.heldKey = key;
    return true;
}

bool ClipMuxer::WriteAudio(size_t track, const uint8_t* data, size_t size, int64_t ms)
{
    const int stream = m_tracks[track].audio;
    return stream >= 0 && Write(stream, data, size, ms, static_cast<int64_t>(size) * 1000 / kAudioRate, false);
}

bool ClipMuxer::FlushHeld(Track& track, int64_t durationMs)
{
    const bool ok = Write(track.video, track.held.data(), track.held.size(), track.heldMs, durationMs, track.heldKey);
    track.heldMs = -1;
    return ok;
}

bool ClipMuxer::Write(int stream, const uint8_t* data, size_t size, int64_t ms, int64_t durationMs, bool key)
{
    if (av_new_packet(m_packet, static_cast<int>(size)) < 0)
        return false;
    std::memcpy(m_packet->data, data, size);
    m_packet->stream_index = stream;
    m_packet->pts = m_packet->dts = ms;
    m_packet->duration = durationMs;
    m_packet->flags = key ? AV_PKT_FLAG_KEY : 0;
    av_packet_rescale_ts(m_packet, kMilliseconds, m_context->streams[stream]->time_base);
    return av_interleaved_write_frame(m_context, m_packet) >= 0;
}

std::string ClipMuxer::Finish()
{
    if (!m_headerWritten)
        return Error();
    for (Track& track : m_tracks) {
        if (track.heldMs >= 0 && !FlushHeld(track, track.lastStepMs))
            return Error();
    }
    const bool ok = av_write_trailer(m_context) >= 0;
    m_headerWritten = false;
    const std::string closed = m_file.Close();
    return !closed.empty() ? closed : ok ? std::string() : Error();
}

std::string ClipMuxer::Error()
{
    const std::string file = m_file.Close();
    return file.empty() ? "libavformat refused the clip's packets" : file;
}

} // namespace vrctool
