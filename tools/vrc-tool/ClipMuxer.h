#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

namespace vrctool {

// Writes a clip's packets into a Matroska or MP4 file as they are, without decoding them:
// one video stream and, for Matroska, the channel's G.711 sound. Timestamps are given in
// milliseconds from the clip's first frame.
class ClipMuxer {
public:
    struct Video {
        bool h264 = true;                 // else MPEG-4 Part 2
        std::vector<uint8_t> firstKey;    // the first frame, which carries the sequence header
    };
    using Metadata = std::vector<std::pair<std::string, std::string>>;

    // "mkv" or "mp4" from the path's extension (no extension: mkv); empty for any other.
    static std::string ContainerOf(const std::string& path);

    // Opens path for writing (an empty path discards the bytes, counting them), writes
    // the container's header. Empty on success, otherwise why not.
    std::string Open(const std::string& path, const std::string& container, const Video& video, bool audio,
                     const Metadata& metadata);
    ~ClipMuxer();

    bool WriteVideo(const uint8_t* data, size_t size, int64_t ms, bool key);
    bool WriteAudio(const uint8_t* data, size_t size, int64_t ms);
    // Writes the held frame and the trailer and closes the output.
    bool Finish();

    uint64_t BytesDiscarded() const { return m_discarded; }

private:
    std::string AddVideo(const Video& video);
    bool AddAudio();
    bool Write(int stream, const uint8_t* data, size_t size, int64_t ms, int64_t durationMs, bool key);
    bool FlushHeld(int64_t durationMs);
    static int Discard(void* opaque, uint8_t* buffer, int size);

    AVFormatContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVIOContext* m_sink = nullptr;
    bool m_ownsFile = false;
    bool m_headerWritten = false;
    int m_audioStream = -1;
    uint64_t m_discarded = 0;
    // A video frame's duration is known when the next one comes, so one frame is held.
    std::vector<uint8_t> m_held;
    int64_t m_heldMs = -1;
    bool m_heldKey = false;
    int64_t m_lastStepMs = 0;
};

} // namespace vrctool
