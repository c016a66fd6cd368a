#pragma once
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QImage>
#include <QSize>

#include "display/control/ChannelDecoder.h"
#include "display/control/TileGrid.h"

namespace display {

class DecoderLibrary;

// Decodes the channels on worker threads: each channel has a bounded queue of copied
// payloads and its own decoder; a channel is served by one worker at a time, so the frames of
// a channel stay in order while different channels decode in parallel. Each channel's latest
// picture, scaled to its tile, is kept here for drawing. Every frame is decoded, but a picture
// is scaled only when the screen can show it: at most once per refresh interval while frames
// keep coming, and always for the last frame of a burst. Every method may be called from any
// thread.
class DecodePipeline {
public:
    // Frames a channel may have waiting before Push blocks its caller.
    static constexpr size_t kMaxQueued = 8;

    // pictureReady runs on a worker after a new picture was stored.
    DecodePipeline(const DecoderLibrary& library, std::chrono::milliseconds refreshInterval,
                   std::function<void()> pictureReady);
    ~DecodePipeline();
    DecodePipeline(const DecodePipeline&) = delete;
    DecodePipeline& operator=(const DecodePipeline&) = delete;

    // Copies the payload and queues it, waiting while the channel's queue is full. False
    // when the channel is not decoded (no tile shows it) or the data is empty.
    bool Push(int channel, const uint8_t* data, size_t size);
    // Drops every queued frame; each decoder then waits for its channel's next key frame.
    // The pictures stay.
    void Flush();
    // Flush, and forget every picture.
    void Reset();
    // Flush, then wait until no worker is decoding.
    void Stop();
    // Whether frames are queued or being decoded.
    bool IsRunning() const;
    // The tile size of each channel; an empty size means the channel is not shown and not
    // decoded. A channel that appears starts at its next key frame; one whose size changed
    // has its last picture scaled again.
    void SetTileSizes(const std::array<QSize, kChannels>& sizes);
    std::array<QImage, kChannels> Pictures() const;
    // Whether a picture was stored since the last Reset.
    bool HasShown() const;

private:
    struct Job {
        bool redraw = false; // scale the last picture again instead of decoding
        std::vector<uint8_t> data;
        uint64_t generation = 0;
    };
    struct Channel {
        std::deque<Job> queue;
        bool scheduled = false; // waiting in m_ready
        bool busy = false;      // a worker holds the channel's decoder
        bool resync = true;     // the decoder must wait for a key frame
        // The worker's own: which flush its decoder follows, and its picture not yet scaled.
        uint64_t decodedGeneration = 0;
        bool unscaled = false;
        std::chrono::steady_clock::time_point scaledAt;
        QSize tileSize;
        QImage picture;
        std::unique_ptr<ChannelDecoder> decoder;
    };

    void Work();
    void Schedule(int channel);
    QImage Process(Channel& channel, Job& job, bool resync, QSize size);
    bool ScaleDue(const Channel& channel) const;
    void DropFrames();

    const std::chrono::milliseconds m_refreshInterval;
    std::function<void()> m_pictureReady;
    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_spaceAvailable;
    std::condition_variable m_idle;
    std::array<Channel, kChannels> m_channels;
    std::deque<int> m_ready;
    uint64_t m_generation = 1;
    int m_busyCount = 0;
    bool m_shown = false;
    bool m_quitting = false;
    std::vector<std::thread> m_workers;
};

} // namespace display
