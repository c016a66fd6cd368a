#include "display/control/DecodePipeline.h"

#include <algorithm>
#include <string>

namespace display {

DecodePipeline::DecodePipeline(const DecoderLibrary& library, std::chrono::milliseconds refreshInterval,
                               std::function<void()> pictureReady)
    : m_refreshInterval(refreshInterval)
    , m_pictureReady(std::move(pictureReady))
{
    for (int c = 0; c < kChannels; ++c)
        m_channels[c].decoder = std::make_unique<ChannelDecoder>(library, "CH-" + std::to_string(c + 1));
    // Channels decode independently, so every core can take one.
    const unsigned workers = std::max(2u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { Work(); });
}

DecodePipeline::~DecodePipeline()
{
    {
        std::lock_guard lock(m_mutex);
        m_quitting = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

bool DecodePipeline::Push(int channel, const uint8_t* data, size_t size, bool key, FrameStamp stamp)
{
    if (channel < 0 || channel >= kChannels || !data || size == 0)
        return false;
    bool resync = false;
    {
        // Frames of hidden channels and frames dropped are not even copied.
        std::lock_guard lock(m_mutex);
        Channel& ch = m_channels[channel];
        if (ch.tileSize.isEmpty() || m_quitting)
            return false;
        const uint64_t dropped = ch.dropped;
        if (!Admit(ch, key))
            return false;
        resync = ch.dropped != dropped;
    }
    Job job{false, std::vector<uint8_t>(data, data + size), 0, 0, {}, std::chrono::steady_clock::now(), stamp};
    std::lock_guard lock(m_mutex);
    Channel& ch = m_channels[channel];
    if (m_quitting || ch.tileSize.isEmpty())
        return false;
    // Frames before this one were dropped: its decoder starts again at a real key frame.
    ch.resync = ch.resync || resync;
    job.generation = m_generation;
    job.resets = m_resets;
    ch.queue.push_back(std::move(job));
    Schedule(channel);
    return true;
}

bool DecodePipeline::Admit(Channel& ch, bool key)
{
    size_t waiting = 0;
    auto oldest = std::chrono::steady_clock::time_point::max();
    for (const Job& job : ch.queue) {
        if (!job.redraw) {
            ++waiting;
            oldest = std::min(oldest, job.pushed);
        }
    }
    const bool behind = waiting >= kMaxQueued || (waiting > 0 && std::chrono::steady_clock::now() - oldest >= kMaxLag);
    if (!key) {
        if (!ch.awaitingKey && !behind)
            return true;
        ch.awaitingKey = true;
        ++ch.dropped;
        return false;
    }
    // A key frame starts afresh: the frames still waiting before it would only be shown late.
    if (behind) {
        ch.dropped += waiting;
        std::erase_if(ch.queue, [](const Job& job) { return !job.redraw; });
    }
    // Still behind if frames are waiting: then only key frames until it has caught up.
    ch.awaitingKey = (ch.awaitingKey || behind) && waiting > 0;
    return true;
}

void DecodePipeline::Schedule(int channel)
{
    Channel& ch = m_channels[channel];
    if (ch.scheduled || ch.busy || ch.queue.empty())
        return;
    ch.scheduled = true;
    m_ready.push_back(channel);
    m_workAvailable.notify_one();
}

void DecodePipeline::DropFrames()
{
    // A new generation makes every decoder resynchronise at its next frame and turns away the
    // pictures of frames still being decoded.
    ++m_generation;
    for (Channel& ch : m_channels) {
        std::erase_if(ch.queue, [](const Job& job) { return !job.redraw; });
        ch.awaitingKey = false;
    }
}

void DecodePipeline::Flush()
{
    std::lock_guard lock(m_mutex);
    DropFrames();
}

void DecodePipeline::Reset()
{
    std::lock_guard lock(m_mutex);
    DropFrames();
    // Every decoder forgets its frames before its next job, so nothing of them comes back.
    ++m_resets;
    for (Channel& ch : m_channels) {
        ch.queue.clear();
        ch.picture = QImage();
        ch.pictureStamp = {};
        ch.hasFrame = false;
    }
    m_shown = false;
}

uint64_t DecodePipeline::Dropped(int channel) const
{
    std::lock_guard lock(m_mutex);
    return channel >= 0 && channel < kChannels ? m_channels[channel].dropped : 0;
}

void DecodePipeline::Stop()
{
    std::unique_lock lock(m_mutex);
    DropFrames();
    m_idle.wait(lock, [&] { return m_busyCount == 0 || m_quitting; });
}

bool DecodePipeline::IsRunning() const
{
    std::lock_guard lock(m_mutex);
    if (m_busyCount > 0)
        return true;
    return std::any_of(m_channels.begin(), m_channels.end(), [](const Channel& ch) { return !ch.queue.empty(); });
}

void DecodePipeline::SetTileSizes(const std::array<QSize, kChannels>& sizes)
{
    std::lock_guard lock(m_mutex);
    for (int c = 0; c < kChannels; ++c) {
        Channel& ch = m_channels[c];
        const QSize old = ch.tileSize;
        ch.tileSize = sizes[c];
        if (sizes[c].isEmpty()) {
            ch.queue.clear();
            ch.awaitingKey = false;
            continue;
        }
        // Frames that came while it was hidden were not decoded.
        if (old.isEmpty())
            ch.resync = true;
        if (old != sizes[c])
            QueueRedraw(c);
    }
}

void DecodePipeline::QueueRedraw(int channel)
{
    Channel& ch = m_channels[channel];
    if (!ch.hasFrame)
        return;
    ch.queue.push_back(Job{true, {}, m_generation, m_resets, {}, {}, {}});
    Schedule(channel);
}

std::pair<std::array<QImage, kChannels>, std::array<FrameStamp, kChannels>> DecodePipeline::Pictures() const
{
    std::pair<std::array<QImage, kChannels>, std::array<FrameStamp, kChannels>> shown;
    std::lock_guard lock(m_mutex);
    for (int c = 0; c < kChannels; ++c) {
        shown.first[c] = m_channels[c].picture;
        shown.second[c] = m_channels[c].pictureStamp;
    }
    return shown;
}

bool DecodePipeline::HasShown() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

bool DecodePipeline::ScaleDue(const Channel& ch) const
{
    std::lock_guard lock(m_mutex);
    return ch.queue.empty() || std::chrono::steady_clock::now() - ch.scaledAt >= m_refreshInterval;
}

QImage DecodePipeline::Process(Channel& ch, Job& job, bool resync, bool& decoded)
{
    if (job.resets != ch.decoderResets) {
        ch.decoderResets = job.resets;
        ch.decoder->Forget();
        ch.decodedStamp = {};
        ch.unscaled = false;
    }
    if (resync)
        ch.decoder->Resync();
    if (!job.redraw) {
        decoded = ch.decoder->Decode(job.data.data(), job.data.size());
        if (decoded)
            ch.decodedStamp = job.stamp;
        ch.unscaled = ch.unscaled || decoded;
        if (!ch.unscaled || !ScaleDue(ch))
            return {};
    }
    ch.unscaled = false;
    ch.scaledAt = std::chrono::steady_clock::now();
    return ch.decoder->Render(job.size);
}

void DecodePipeline::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workAvailable.wait(lock, [&] { return m_quitting || !m_ready.empty(); });
        if (m_quitting)
            return;
        const int c = m_ready.front();
        m_ready.pop_front();
        Channel& ch = m_channels[c];
        ch.scheduled = false;
        if (ch.queue.empty())
            continue;
        Job job = std::move(ch.queue.front());
        ch.queue.pop_front();
        // The decoder is this worker's alone while the channel is busy.
        bool resync = ch.resync;
        if (!job.redraw && job.generation != ch.decodedGeneration) {
            resync = true;
            ch.decodedGeneration = job.generation;
        }
        ch.resync = false;
        ch.busy = true;
        ++m_busyCount;
        job.size = ch.tileSize;
        lock.unlock();

        bool decoded = false;
        QImage picture = Process(ch, job, resync, decoded);

        lock.lock();
        ch.busy = false;
        --m_busyCount;
        // Keep the picture only if nothing made it stale meanwhile: a flush or reset, a new
        // tile size, or (for a redraw) a reset.
        const bool current = job.redraw ? job.resets == m_resets : job.generation == m_generation;
        if (decoded && current)
            ch.hasFrame = true;
        const bool stored = !picture.isNull() && current && picture.size() == ch.tileSize;
        if (stored) {
            ch.picture = std::move(picture);
            ch.pictureStamp = ch.decodedStamp;
            m_shown = true;
        }
        Schedule(c);
        if (m_busyCount == 0)
            m_idle.notify_all();
        if (stored) {
            lock.unlock();
            m_pictureReady();
            lock.lock();
        }
    }
}

} // namespace display
