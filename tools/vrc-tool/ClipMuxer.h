#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/vrc-tool/ClipFile.h"

struct AVFormatContext;
struct AVPacket;

namespace vrctool {

// Writes a clip's packets into a Matroska or MP4 file as they are, without decoding them:
// per track (a channel) a video stream, a caption track (Matroska: SubRip; MP4: its own text)
// and, for Matroska, the channel's G.711 sound. Timestamps are given in
// milliseconds from the clip's first frame. The same packets and metadata give the same bytes:
// nothing random and no clock of this machine goes into the file.
class ClipMuxer {
public:
    struct Video {
        bool h264 = true;                 // else MPEG-4 Part 2
        std::vector<uint8_t> firstKey;    // the first frame, which carries the sequence header
        int64_t durationMs = 0;           // the track's length; the longest is the clip's
        std::string title;                // the track's name (several tracks: its captions' too)
    };
    using Metadata = std::vector<std::pair<std::string, std::string>>;

    // "mkv" or "mp4" from the path's extension (no extension: mkv); empty for any other.
    static std::string ContainerOf(const std::string& path);

    // Opens path for writing (an empty path discards the bytes, counting them), writes
    // the container's header. Empty on success, otherwise why not.
    std::string Open(const std::string& path, const std::string& container, const std::vector<Video>& tracks,
                     bool audio, const Metadata& metadata);
    ~ClipMuxer();

    // The frame as the clip stores it (H.264 framed by lengths), for the caller to hash.
    const std::vector<uint8_t>& Stored(const uint8_t* data, size_t size);
    // Writes what Stored last gave to a track; false when the container or the file refused it.
    bool WriteVideo(size_t track, int64_t ms, bool key);
    bool WriteAudio(size_t track, const uint8_t* data, size_t size, int64_t ms);
    // A caption shown from startMs to endMs; each starts after the one before.
    bool WriteCaption(size_t track, const std::string& text, int64_t startMs, int64_t endMs);
    // Writes the held frame and the trailer and closes the output; empty on success.
    std::string Finish();
    // Why a write failed: the file's error when there was one.
    std::string Error();

    uint64_t Size() const { return m_file.Size(); }
    std::string HexDigest() { return m_file.HexDigest(); }

private:
    struct Track {
        int video = -1;
        int audio = -1;
        int captions = -1;
        // A video frame's duration is known when the next one comes, so one frame is held.
        std::vector<uint8_t> held;
        int64_t heldMs = -1;
        bool heldKey = false;
        int64_t lastStepMs = 0;
    };

    std::string AddVideo(const Video& video);
    int AddAudio();
    int AddCaptions(const std::string& title);
    bool Write(int stream, const uint8_t* data, size_t size, int64_t ms, int64_t durationMs, bool key);
    bool FlushHeld(Track& track, int64_t durationMs);

    AVFormatContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    ClipFile m_file;
    bool m_h264 = true;
    bool m_headerWritten = false;
    bool m_movText = false;
    std::vector<Track> m_tracks;
    std::vector<uint8_t> m_stored;
};

} // namespace vrctool
