#pragma once
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <QImage>
#include <QSize>

#include "display/control/ChannelDecoder.h"
#include "display/control/FrameStamp.h"
#include "display/control/PaceMeter.h"
#include "display/control/TileGrid.h"

namespace display {

class DecoderLibrary;

// Decodes the channels on worker threads: each channel has a bounded queue of copied
// payloads and its own decoder; a channel is served by one worker at a time, so the frames of
// a channel stay in order while different channels decode in parallel. Each channel's latest
// picture, scaled to its tile, is kept here for drawing. A picture is scaled only when the
// screen can show it: at most once per refresh interval while frames keep coming, and the
// last frame of a burst one refresh interval after the picture before it. Every method may
// be called from any thread.
//
// Push never waits for the workers: the caller paces playback and must not be held back by
// decoding. A channel is behind when its oldest waiting frame has waited kMaxLag, or
// kMaxQueued frames are waiting; it then drops the frames up to its next key frame, and at
// that key frame the frames still waiting, which could not be shown in time. Fast forward
// thus keeps its pace with fewer pictures, and the cores keep decoding meanwhile.
//
// Before it drops anything, a channel in a small tile (under half its picture's width) that
// plays faster than 1x or starts to lag decodes the reduced way (see DecodeMode). The picture
// left on screen when the frames stop coming (a pause) is decoded again fully filtered, and so
// is every picture FullPictures gives, so a still picture is always the exact one.
//
// A channel alone on screen and played fast has two decoders (lanes): while one decodes a
// group of pictures (a key frame and the frames up to the next), the other takes the next
// group waiting. A group needs nothing from the one before, so the two cores never wait for
// each other, as frame threads wait for each other's rows. Only the lane with the older
// group puts its pictures on screen; the other's go on once that group is done, so the
// pictures still come in the order of the frames.
//
// A wall of tiles played fast goes in step, so that the tiles show one moment even when the
// cores cannot decode every channel in time: the instant is the newest every channel has been
// handed; each channel skips to the key frame nearest it, takes its picture there and decodes
// on meanwhile; when every channel has its picture there, they are shown together and the next
// instant is taken. Tiles served first can thus not show seconds ahead of the rest.
class DecodePipeline {
public:
    static constexpr std::chrono::milliseconds kMaxLag{200};
    static constexpr size_t kMaxQueued = 32;
    // A channel with two lanes may have more frames waiting: the next group must be among them.
    static constexpr size_t kMaxQueuedInLanes = 4 * kMaxQueued;
    static constexpr int kLanes = 2;
    // A channel lags, and decodes the reduced way, from half the limits of being behind.
    static constexpr std::chrono::milliseconds kLagging = kMaxLag / 2;
    static constexpr size_t kLaggingQueued = kMaxQueued / 4;
    // FullPictures waits at most this long for pictures being decoded again.
    static constexpr std::chrono::seconds kFullPictureWait{3};

    // pictureReady runs on a worker after a new picture was stored. workers: how many threads
    // decode; 0 for one per core (at least two).
    DecodePipeline(const DecoderLibrary& library, std::chrono::milliseconds refreshInterval,
                   std::function<void()> pictureReady, unsigned workers = 0);
    ~DecodePipeline();
    DecodePipeline(const DecodePipeline&) = delete;
    DecodePipeline& operator=(const DecodePipeline&) = delete;

    // Copies the payload and queues it, or drops it when the channel is behind (see above).
    // False when the channel is not decoded (no tile shows it), the frame was dropped or the
    // data is empty. The stamp goes with the picture the frame gives; its time also tells how
    // fast playback goes.
    bool Push(int channel, const uint8_t* data, size_t size, bool key, FrameStamp stamp = {});
    // Playback stopped or jumps: the frames queued still decode, so a pause shows the last
    // frame handed over and a step goes on from it; a channel's next key frame drops what was
    // queued before (a jump starts afresh there). Ends going in step.
    void Flush();
    // Flush, and forget every picture and every decoded frame.
    void Reset();
    // Frames of the channel dropped because it was behind, since the pipeline was made.
    uint64_t Dropped(int channel) const;
    // Flush, then wait until no worker is decoding.
    void Stop();
    // Whether frames are queued or being decoded.
    bool IsRunning() const;
    // The tile size of each channel; an empty size means the channel is not shown and not
    // decoded. A channel that appears or changes size has the last frame it decoded scaled
    // to its tile, and decodes again from its next key frame.
    void SetTileSizes(const std::array<QSize, kChannels>& sizes);
    // Each channel's latest picture with the stamp of the frame it shows, taken together.
    using Shown = std::pair<std::array<QImage, kChannels>, std::array<FrameStamp, kChannels>>;
    Shown Pictures() const;
    // The pictures, each the fully filtered decode of its frame (as far as kFullPictureWait
    // allows); decoding stays full meanwhile.
    Shown FullPictures();
    // Whether a picture was stored since the last Reset.
    bool HasShown() const;

private:
    // The pictures and stamps, with m_mutex held.
    Shown ShownLocked() const;
    enum class Kind {
        kDecode,
        kRedraw, // scale the last picture again
        kRefine, // decode the last picture again fully filtered
    };
    struct Job {
        Kind kind = Kind::kDecode;
        std::vector<uint8_t> data;
        uint64_t generation = 0;
        uint64_t resets = 0; // the Reset it follows
        QSize size;          // the tile, taken when a worker starts on it
        std::chrono::steady_clock::time_point pushed;
        DecodeMode mode;     // taken when a worker starts on it
        FrameStamp stamp;
        bool key = false;
        uint64_t flushes = 0; // the Flush it follows
        uint64_t group = 0;   // the group of pictures: counts the channel's key frames
        bool due = false;     // the screen takes a picture: taken when a worker starts on it

        bool IsDecode() const { return kind == Kind::kDecode; }
    };
    // A decoder of a channel, and the group of pictures it decodes.
    struct Lane {
        std::unique_ptr<ChannelDecoder> decoder;
        bool busy = false;   // a worker holds the decoder
        bool resync = true;  // the decoder must wait for a key frame
        uint64_t group = 0;  // the group it decodes; 0 before the first
        uint64_t pictureGroup = 0; // the group of its decoder's last picture
        // The worker's own while busy: which reset its decoder follows, and whether its
        // picture is not yet scaled (idle, under the lock, a new generation clears that).
        uint64_t decoderResets = 0;
        bool unscaled = false;
    };
    struct Channel {
        std::deque<Job> queue;
        bool scheduled = false; // waiting in m_ready
        bool awaitingKey = false; // behind: frames are dropped up to the next key frame
        bool hasFrame = false;    // the decoder holds a frame decoded since the last Reset
        bool rough = false;       // the picture may be decoded again better
        bool refining = false;    // a refine job is queued or running
        bool waveShot = false;    // in step: its picture at the instant is taken
        std::optional<int64_t> decodedMs; // the newest picture, shown or waiting
        QImage pending;           // in step: the picture waiting for the others
        FrameStamp pendingStamp;
        bool pendingRough = false;
        int pictureWidth = 0;
        uint64_t dropped = 0;
        // A picture decoded but not scaled, because the last one went on screen less than a
        // refresh interval ago: it is scaled then, unless a later one is first.
        std::optional<std::chrono::steady_clock::time_point> redrawAt;
        std::chrono::steady_clock::time_point scaledAt; // when the last picture was scaled
        uint64_t groups = 1; // the group the next frame that is not a key frame belongs to
        QSize tileSize;
        QImage picture;
        FrameStamp pictureStamp;
        std::array<Lane, kLanes> lanes;
    };
    // The job a free lane of a channel takes next: its position in the queue.
    struct Pick {
        int lane = 0;
        size_t job = 0;
    };

    void Work();
    // Whether a channel alone on screen decodes a new group on its second lane.
    bool LanesOpen() const;
    // A lane keeps to its group; a new group goes to the first lane free (to the first lane
    // only, unless LanesOpen); a redraw or refine waits until no lane is busy and takes both.
    std::optional<Pick> PickJob(const Channel& channel) const;
    static bool Busy(const Channel& channel);
    // Whether the lane is busy or has frames of its group waiting.
    static bool Unfinished(const Channel& channel, int lane);
    // Whether the lane's pictures go on screen: the other lane has no older group unfinished.
    static bool Leads(const Channel& channel, int lane);
    // The lane whose picture the screen takes: the newest picture of a group no later than
    // any unfinished one.
    static int DrawnLane(const Channel& channel);
    // Frames were lost: every decoder of the channel waits for a key frame.
    static void Resync(Channel& channel);
    // After a decode: the picture left unscaled by the lane that leads is drawn when due.
    void NoteUnscaled(Channel& channel);
    // Under the lock: whether a frame the channel is given is queued, dropping what it
    // cannot show in time.
    bool Admit(Channel& channel, bool key);
    // Going in step, under the lock (see above).
    void StartLockstep();
    bool EndLockstep(); // true when pictures were shown
    // A recorded time along the direction of play: later is larger.
    int64_t Along(int64_t ms) const;
    // Whether the channel decodes the job on its way to the instant.
    bool Wants(const Channel& channel, const Job& job) const;
    void SkipToWave(Channel& channel);
    // Whether the channel's next frame lies past the instant: the last decoded is its picture there.
    bool AtInstant(const Channel& channel) const;
    enum class Scale { kWhenDue, kNow, kNot };
    // How the channel's next decoded picture is drawn; skips to the instant first when in step.
    Scale ScaleFor(Channel& channel);
    void NextWave();
    // When every channel is at the instant: shows their pictures and takes the next instant.
    bool AdvanceWave();
    bool PublishPending();
    // Decodes the channel's next job; true when pictures were shown.
    bool Serve(int channel, std::unique_lock<std::mutex>& lock);
    void QueueRedraw(int channel);
    // Queues a refine job for each shown channel with a rough picture that has none; returns
    // how many such channels there are.
    int QueueRefines();
    // When the frames stop long enough for the rough pictures to be refined, if any are.
    std::optional<std::chrono::steady_clock::time_point> RefineDue() const;
    // Whether the channel's picture left unscaled waits for its time, with nothing else to do.
    static bool RedrawWaits(const Channel& channel);
    // When the first picture left unscaled is due on screen, if any is.
    std::optional<std::chrono::steady_clock::time_point> RedrawDue() const;
    // Queues the redraws and refines that are due.
    void QueueDue();
    void WaitForWork(std::unique_lock<std::mutex>& lock);
    DecodeMode ModeFor(const Channel& channel, const Job& job) const;
    void Schedule(int channel);
    // decoded: the job's frame gave a new picture; exact: the picture is fully filtered.
    static QImage Process(Lane& lane, Job& job, bool resync, Scale scale, bool& decoded, bool& exact);
    bool DropFrames(); // true when waiting pictures were shown

    const std::chrono::milliseconds m_refreshInterval;
    std::function<void()> m_pictureReady;
    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_idle;
    std::array<Channel, kChannels> m_channels;
    std::deque<int> m_ready;
    uint64_t m_generation = 1;
    uint64_t m_resets = 0;
    uint64_t m_flushes = 0;
    int m_busyCount = 0;
    int m_fullHold = 0;     // FullPictures calls under way
    int m_shownChannels = 0;
    PaceMeter m_pace;
    bool m_lockstep = false;
    bool m_waveBackward = false;
    std::optional<int64_t> m_waveMs; // the instant the channels go to
    uint64_t m_wave = 0;             // counts the instants taken
    bool m_shown = false;
    bool m_quitting = false;
    std::vector<std::thread> m_workers;
};

} // namespace display
