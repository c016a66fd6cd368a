#include "display/control/DecodePipeline.h"

#include <algorithm>

namespace display {

DecodePipeline::DecodePipeline(const DecoderLibrary& library, std::chrono::milliseconds refreshInterval,
                               std::function<void()> pictureReady)
    : m_refreshInterval(refreshInterval)
    , m_pictureReady(std::move(pictureReady))
{
    for (Channel& channel : m_channels)
        channel.decoder = std::make_unique<ChannelDecoder>(library);
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
    m_spaceAvailable.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

bool DecodePipeline::Push(int channel, const uint8_t* data, size_t size)
{
    if (channel < 0 || channel >= kChannels || !data || size == 0)
        return false;
    {
        // Frames of hidden channels are not even copied.
        std::lock_guard lock(m_mutex);
        if (m_channels[channel].tileSize.isEmpty())
            return false;
    }
    Job job{false, std::vector<uint8_t>(data, data + size), 0};
    std::unique_lock lock(m_mutex);
    Channel& ch = m_channels[channel];
    m_spaceAvailable.wait(lock, [&] { return m_quitting || ch.queue.size() < kMaxQueued || ch.tileSize.isEmpty(); });
    if (m_quitting || ch.tileSize.isEmpty())
        return false;
    job.generation = m_generation;
    ch.queue.push_back(std::move(job));
    Schedule(channel);
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
    }
    m_spaceAvailable.notify_all();
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
    for (Channel& ch : m_channels) {
        ch.queue.clear();
        ch.picture = QImage();
    }
    m_shown = false;
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
        } else if (old.isEmpty()) {
            // What it showed before it was hidden is stale: start afresh at a key frame.
            ch.resync = true;
            ch.picture = QImage();
        } else if (old != sizes[c] && !ch.picture.isNull()) {
            ch.queue.push_back(Job{true, {}, m_generation});
            Schedule(c);
        }
    }
    m_spaceAvailable.notify_all();
}

std::array<QImage, kChannels> DecodePipeline::Pictures() const
{
    std::array<QImage, kChannels> pictures;
    std::lock_guard lock(m_mutex);
    for (int c = 0; c < kChannels; ++c)
        pictures[c] = m_channels[c].picture;
    return pictures;
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

QImage DecodePipeline::Process(Channel& ch, Job& job, bool resync, QSize size)
{
    if (resync)
        ch.decoder->Resync();
    if (!job.redraw) {
        if (ch.decoder->Decode(job.data.data(), job.data.size()))
            ch.unscaled = true;
        if (!ch.unscaled || !ScaleDue(ch))
            return {};
    }
    ch.unscaled = false;
    ch.scaledAt = std::chrono::steady_clock::now();
    return ch.decoder->Render(size);
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
        m_spaceAvailable.notify_all();
        // The decoder is this worker's alone while the channel is busy.
        bool resync = ch.resync;
        if (!job.redraw && job.generation != ch.decodedGeneration) {
            resync = true;
            ch.decodedGeneration = job.generation;
        }
        ch.resync = false;
        ch.busy = true;
        ++m_busyCount;
        const QSize size = ch.tileSize;
        lock.unlock();

        QImage picture = Process(ch, job, resync, size);

        lock.lock();
        ch.busy = false;
        --m_busyCount;
        // Keep the picture only if nothing made it stale meanwhile: a flush or reset, a new
        // tile size, or (for a redraw) a reset that cleared the tile.
        const bool current = job.redraw ? !ch.picture.isNull() : job.generation == m_generation;
        const bool stored = !picture.isNull() && current && picture.size() == ch.tileSize;
        if (stored) {
            ch.picture = std::move(picture);
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
