#include "display/control/DecodePipeline.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <ranges>
#include <string>

namespace display {

DecodePipeline::DecodePipeline(const DecoderLibrary& library, std::chrono::milliseconds refreshInterval,
                               std::function<void()> pictureReady, unsigned workers)
    : m_refreshInterval(refreshInterval)
    , m_pictureReady(std::move(pictureReady))
{
    for (int c = 0; c < kChannels; ++c) {
        for (Lane& lane : m_channels[c].lanes)
            lane.decoder = std::make_unique<ChannelDecoder>(library, "CH-" + std::to_string(c + 1));
    }
    // Channels decode independently, so every core can take one.
    if (workers == 0)
        workers = std::max(2u, std::thread::hardware_concurrency());
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
    bool published = false;
    const auto now = std::chrono::steady_clock::now();
    {
        // Frames of hidden channels and frames dropped are not even copied.
        std::lock_guard lock(m_mutex);
        m_pace.Note(stamp.Milliseconds(), now);
        Channel& ch = m_channels[channel];
        if (ch.tileSize.isEmpty() || m_quitting)
            return false;
        // A wall of tiles played fast goes in step; one tile, 1x or slower does not need to.
        const bool inStep = m_shownChannels > 1 && m_pace.Fast() && m_fullHold == 0;
        if (inStep && !m_lockstep)
            StartLockstep();
        else if (!inStep && m_lockstep)
            published = EndLockstep();
        const uint64_t dropped = ch.dropped;
        if (!Admit(ch, key))
            return false;
        resync = ch.dropped != dropped;
    }
    if (published)
        m_pictureReady();
    Job job{Kind::kDecode, std::vector<uint8_t>(data, data + size), 0, 0, {}, now, {}, stamp, key};
    std::lock_guard lock(m_mutex);
    Channel& ch = m_channels[channel];
    if (m_quitting || ch.tileSize.isEmpty())
        return false;
    // Frames before this one were dropped: its decoder starts again at a real key frame.
    if (resync)
        Resync(ch);
    if (key)
        ++ch.groups;
    job.group = ch.groups;
    job.generation = m_generation;
    job.resets = m_resets;
    job.flushes = m_flushes;
    if (key) {
        // After a flush a key frame starts afresh: what was queued before it is not wanted.
        std::erase_if(ch.queue, [this](const Job& old) { return old.IsDecode() && old.flushes != m_flushes; });
    }
    ch.queue.push_back(std::move(job));
    Schedule(channel);
    return true;
}

bool DecodePipeline::Admit(Channel& ch, bool key)
{
    size_t waiting = 0;
    auto oldest = std::chrono::steady_clock::time_point::max();
    for (const Job& job : ch.queue) {
        if (job.kind == Kind::kDecode) {
            ++waiting;
            oldest = std::min(oldest, job.pushed);
        }
    }
    const size_t bound = LanesOpen() ? kMaxQueuedInLanes : kMaxQueued;
    const bool behind = waiting >= bound || (waiting > 0 && std::chrono::steady_clock::now() - oldest >= kMaxLag);
    if (!key) {
        if (!ch.awaitingKey && !behind)
            return true;
        ch.awaitingKey = true;
        ++ch.dropped;
        return false;
    }
    // A key frame starts afresh: the frames still waiting before it would only be shown late.
    // In step the earlier key frames stay, up to a bound, for the instant the others go to.
    if (behind) {
        const size_t before = ch.queue.size();
        const bool keepKeys = m_lockstep && waiting < 2 * kMaxQueued;
        std::erase_if(ch.queue, [keepKeys](const Job& job) { return job.IsDecode() && !(keepKeys && job.key); });
        ch.dropped += before - ch.queue.size();
    }
    // Its group is taken until the channel is behind again: a channel that took key frames
    // only would leave the cores idle between them.
    ch.awaitingKey = false;
    return true;
}

void DecodePipeline::StartLockstep()
{
    m_lockstep = true;
    m_waveMs.reset();
    // In step every picture waits for the instant: none is drawn on its own.
    for (Channel& ch : m_channels)
        ch.redrawAt.reset();
}

bool DecodePipeline::EndLockstep()
{
    m_lockstep = false;
    m_waveMs.reset();
    return PublishPending();
}

int64_t DecodePipeline::Along(int64_t ms) const { return m_waveBackward ? -ms : ms; }

bool DecodePipeline::Wants(const Channel& ch, const Job& job) const
{
    if (job.kind != Kind::kDecode)
        return true;
    const int64_t target = Along(*m_waveMs);
    const int64_t at = Along(job.stamp.Milliseconds());
    if (at <= target)
        return true;
    // A key frame just past the instant is taken when it lies closer to it than the picture.
    return job.key && (!ch.decodedMs || at - target < target - Along(*ch.decodedMs));
}

void DecodePipeline::SkipToWave(Channel& ch)
{
    // The last key frame the instant wants, when it lies past the picture: the frames
    // before it need not be decoded to get there.
    auto from = ch.queue.end();
    for (auto it = ch.queue.begin(); it != ch.queue.end(); ++it) {
        if (it->kind == Kind::kDecode && it->key && Wants(ch, *it) &&
            (!ch.decodedMs || Along(it->stamp.Milliseconds()) > Along(*ch.decodedMs)))
            from = it;
    }
    if (from == ch.queue.end())
        return;
    const size_t before = ch.queue.size();
    ch.queue.erase(std::remove_if(ch.queue.begin(), from, std::mem_fn(&Job::IsDecode)), from);
    ch.dropped += before - ch.queue.size();
}

bool DecodePipeline::AtInstant(const Channel& ch) const
{
    const auto next = std::ranges::find_if(ch.queue, &Job::IsDecode);
    return next == ch.queue.end() || !Wants(ch, *next);
}

void DecodePipeline::NextWave()
{
    // The newest instant every channel with frames waiting has been handed.
    m_waveBackward = m_pace.Backward();
    std::optional<int64_t> target;
    for (const Channel& ch : m_channels) {
        const auto last = std::ranges::find_if(ch.queue | std::views::reverse, &Job::IsDecode);
        if (last != ch.queue.rend()) {
            const int64_t at = Along(last->stamp.Milliseconds());
            target = std::min(target.value_or(at), at);
        }
    }
    m_waveMs = target ? std::optional<int64_t>(Along(*target)) : std::nullopt;
    ++m_wave;
    for (Channel& ch : m_channels)
        ch.waveShot = false;
}

bool DecodePipeline::AdvanceWave()
{
    if (!m_lockstep)
        return false;
    // A channel is through with the instant once its picture there is taken, or when it has
    // nothing more to decode.
    if (m_waveMs && std::any_of(m_channels.begin(), m_channels.end(), [](const Channel& ch) {
            return !ch.tileSize.isEmpty() && !ch.waveShot &&
                   (Busy(ch) || std::ranges::any_of(ch.queue, &Job::IsDecode));
        }))
        return false;
    const bool published = PublishPending();
    NextWave();
    return published;
}

bool DecodePipeline::PublishPending()
{
    bool published = false;
    for (Channel& ch : m_channels) {
        if (ch.pending.isNull())
            continue;
        ch.picture = std::move(ch.pending);
        ch.pending = QImage();
        ch.pictureStamp = ch.pendingStamp;
        ch.rough = ch.pendingRough;
        published = true;
    }
    m_shown = m_shown || published;
    return published;
}

bool DecodePipeline::LanesOpen() const { return m_shownChannels == 1 && m_pace.Fast() && m_fullHold == 0; }

std::optional<DecodePipeline::Pick> DecodePipeline::PickJob(const Channel& ch) const
{
    for (int l = 0; l < kLanes; ++l) {
        const Lane& lane = ch.lanes[l];
        const Lane& other = ch.lanes[1 - l];
        if (lane.busy)
            continue;
        for (size_t i = 0; i < ch.queue.size(); ++i) {
            const Job& job = ch.queue[i];
            if (!job.IsDecode()) {
                if (!other.busy)
                    return Pick{l, i};
            } else if (other.group == 0 || job.group != other.group) {
                if (job.group == lane.group || l == 0 || LanesOpen())
                    return Pick{l, i};
                break;
            }
        }
    }
    return std::nullopt;
}

bool DecodePipeline::Busy(const Channel& ch)
{
    return std::ranges::any_of(ch.lanes, &Lane::busy);
}

bool DecodePipeline::Unfinished(const Channel& ch, int lane)
{
    const Lane& it = ch.lanes[lane];
    return it.busy || (it.group != 0 && std::ranges::any_of(ch.queue, [&](const Job& job) {
                           return job.IsDecode() && job.group == it.group;
                       }));
}

bool DecodePipeline::Leads(const Channel& ch, int lane)
{
    return !(ch.lanes[1 - lane].group < ch.lanes[lane].group && Unfinished(ch, 1 - lane));
}

int DecodePipeline::DrawnLane(const Channel& ch)
{
    // Pictures of a group after one still being decoded wait for it.
    uint64_t limit = UINT64_MAX;
    for (int l = 0; l < kLanes; ++l) {
        if (Unfinished(ch, l))
            limit = std::min(limit, ch.lanes[l].group);
    }
    const auto shown = [&](const Lane& lane) { return lane.pictureGroup <= limit; };
    const Lane& first = ch.lanes[0];
    const Lane& second = ch.lanes[1];
    return shown(second) && (!shown(first) || second.pictureGroup > first.pictureGroup) ? 1 : 0;
}

void DecodePipeline::Resync(Channel& ch)
{
    for (Lane& lane : ch.lanes)
        lane.resync = true;
}

void DecodePipeline::NoteUnscaled(Channel& ch)
{
    ch.redrawAt.reset();
    for (int l = 0; l < kLanes; ++l) {
        const Lane& lane = ch.lanes[l];
        if (!lane.busy && lane.unscaled && Leads(ch, l))
            ch.redrawAt = ch.scaledAt + m_refreshInterval;
    }
}

void DecodePipeline::Schedule(int channel)
{
    Channel& ch = m_channels[channel];
    if (ch.scheduled || !PickJob(ch))
        return;
    ch.scheduled = true;
    m_ready.push_back(channel);
    m_workAvailable.notify_one();
}

bool DecodePipeline::DropFrames()
{
    // A new generation turns away the pictures of frames still being decoded. Only a decoder
    // that loses frames must wait for its next key frame: one that had them all goes on with
    // the next frame handed over (a step or Play after a pause).
    ++m_generation;
    m_lockstep = false;
    m_waveMs.reset();
    const bool published = PublishPending();
    for (Channel& ch : m_channels) {
        const size_t before = ch.queue.size();
        std::erase_if(ch.queue, std::mem_fn(&Job::IsDecode));
        if (ch.queue.size() != before)
            Resync(ch);
        ch.awaitingKey = false;
        // Pictures decoded and not yet drawn are turned away too; a busy lane's worker does
        // that itself when it is through.
        ch.redrawAt.reset();
        for (Lane& lane : ch.lanes) {
            if (!lane.busy)
                lane.unscaled = false;
        }
    }
    return published;
}

void DecodePipeline::Flush()
{
    std::unique_lock lock(m_mutex);
    ++m_flushes;
    if (EndLockstep()) {
        lock.unlock();
        m_pictureReady();
    }
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
        ch.decodedMs.reset();
        ch.hasFrame = false;
        ch.rough = false;
        ch.refining = false;
        ch.redrawAt.reset();
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
    // A rough picture is refined once the frames stop, and a picture left unscaled is scaled
    // when due: that work is still to come.
    return std::any_of(m_channels.begin(), m_channels.end(), [](const Channel& ch) {
        return !ch.queue.empty() || ch.redrawAt || (ch.rough && !ch.tileSize.isEmpty());
    });
}

void DecodePipeline::SetTileSizes(const std::array<QSize, kChannels>& sizes)
{
    std::lock_guard lock(m_mutex);
    m_shownChannels = static_cast<int>(std::count_if(sizes.begin(), sizes.end(), [](QSize s) { return !s.isEmpty(); }));
    for (int c = 0; c < kChannels; ++c) {
        Channel& ch = m_channels[c];
        const QSize old = ch.tileSize;
        ch.tileSize = sizes[c];
        if (sizes[c].isEmpty()) {
            ch.queue.clear();
            ch.pending = QImage();
            ch.awaitingKey = false;
            ch.refining = false;
            ch.redrawAt.reset();
            continue;
        }
        // Frames that came while it was hidden were not decoded.
        if (old.isEmpty())
            Resync(ch);
        if (old != sizes[c])
            QueueRedraw(c);
    }
}

void DecodePipeline::QueueRedraw(int channel)
{
    Channel& ch = m_channels[channel];
    if (!ch.hasFrame)
        return;
    ch.queue.push_back(Job{Kind::kRedraw, {}, m_generation, m_resets, {}, {}, {}, {}, false});
    Schedule(channel);
}

int DecodePipeline::QueueRefines()
{
    int rough = 0;
    for (int c = 0; c < kChannels; ++c) {
        Channel& ch = m_channels[c];
        if (!ch.rough || ch.tileSize.isEmpty())
            continue;
        ++rough;
        if (ch.refining)
            continue;
        ch.refining = true;
        ch.queue.push_back(Job{Kind::kRefine, {}, m_generation, m_resets, {}, {}, {}, {}, false});
        Schedule(c);
    }
    return rough;
}

std::optional<std::chrono::steady_clock::time_point> DecodePipeline::RefineDue() const
{
    const bool waiting = std::any_of(m_channels.begin(), m_channels.end(), [](const Channel& ch) {
        return ch.rough && !ch.refining && !ch.tileSize.isEmpty();
    });
    if (!waiting)
        return std::nullopt;
    return m_pace.LastNote() + PaceMeter::kPause;
}

bool DecodePipeline::RedrawWaits(const Channel& ch)
{
    // A channel with frames to decode draws the next of them that is due instead.
    return ch.redrawAt && !Busy(ch) && ch.queue.empty();
}

std::optional<std::chrono::steady_clock::time_point> DecodePipeline::RedrawDue() const
{
    std::optional<std::chrono::steady_clock::time_point> due;
    for (const Channel& ch : m_channels) {
        if (RedrawWaits(ch))
            due = std::min(due.value_or(*ch.redrawAt), *ch.redrawAt);
    }
    return due;
}

void DecodePipeline::QueueDue()
{
    const auto now = std::chrono::steady_clock::now();
    for (int c = 0; c < kChannels; ++c) {
        Channel& ch = m_channels[c];
        if (RedrawWaits(ch) && *ch.redrawAt <= now) {
            ch.redrawAt.reset();
            QueueRedraw(c);
        }
    }
    // The frames stopped: the pictures left on screen are worth their full decode now.
    if (const auto refine = RefineDue(); refine && now >= *refine)
        QueueRefines();
}

void DecodePipeline::WaitForWork(std::unique_lock<std::mutex>& lock)
{
    const auto ready = [&] { return m_quitting || !m_ready.empty(); };
    const auto refine = RefineDue();
    const auto redraw = RedrawDue();
    if (!refine && !redraw) {
        m_workAvailable.wait(lock, ready);
        return;
    }
    const auto due = std::min(refine.value_or(*redraw), redraw.value_or(*refine));
    if (!m_workAvailable.wait_until(lock, due, ready))
        QueueDue();
}

DecodeMode DecodePipeline::ModeFor(const Channel& ch, const Job& job) const
{
    if (m_fullHold > 0)
        return {};
    const bool lagging = ch.queue.size() + 1 >= kLaggingQueued ||
                         std::chrono::steady_clock::now() - job.pushed >= kLagging;
    const bool hurried = lagging || m_pace.Fast();
    const bool small = ch.pictureWidth > 0 && ch.tileSize.width() * 2 < ch.pictureWidth;
    return {hurried && small};
}

DecodePipeline::Shown DecodePipeline::Pictures() const
{
    std::lock_guard lock(m_mutex);
    return ShownLocked();
}

DecodePipeline::Shown DecodePipeline::ShownLocked() const
{
    Shown shown;
    for (int c = 0; c < kChannels; ++c) {
        shown.first[c] = m_channels[c].picture;
        shown.second[c] = m_channels[c].pictureStamp;
    }
    return shown;
}

DecodePipeline::Shown DecodePipeline::FullPictures()
{
    std::unique_lock lock(m_mutex);
    ++m_fullHold;
    // The pictures refined go on screen at once, not to wait for the others.
    const bool published = EndLockstep();
    const auto until = std::chrono::steady_clock::now() + kFullPictureWait;
    // Frames decoding meanwhile decode fully, but may follow reduced ones: refine until none is rough.
    while (!m_quitting && QueueRefines() > 0 && m_idle.wait_until(lock, until) == std::cv_status::no_timeout) {
    }
    --m_fullHold;
    Shown shown = ShownLocked();
    lock.unlock();
    if (published)
        m_pictureReady();
    return shown;
}

bool DecodePipeline::HasShown() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

QImage DecodePipeline::Process(Lane& lane, Job& job, bool resync, Scale scale, bool& decoded, bool& exact)
{
    ChannelDecoder& decoder = *lane.decoder;
    if (job.resets != lane.decoderResets) {
        lane.decoderResets = job.resets;
        decoder.Forget();
        lane.unscaled = false;
    }
    if (resync)
        decoder.Resync();
    if (job.kind == Kind::kDecode) {
        decoded = decoder.Decode(std::move(job.data), job.mode, job.stamp);
        lane.unscaled = lane.unscaled || decoded;
        if (!lane.unscaled || scale == Scale::kNot || (scale == Scale::kWhenDue && !job.due))
            return {};
    } else if (job.kind == Kind::kRefine && !decoder.Refine() && !decoder.IsExact()) {
        return {};
    }
    lane.unscaled = false;
    exact = decoder.IsExact();
    return decoder.Render(job.size);
}

DecodePipeline::Scale DecodePipeline::ScaleFor(Channel& ch)
{
    if (!m_lockstep)
        return Scale::kWhenDue;
    if (!m_waveMs)
        NextWave();
    if (!m_waveMs || ch.waveShot)
        return Scale::kNot;
    SkipToWave(ch);
    return Scale::kNow;
}

bool DecodePipeline::Serve(int c, std::unique_lock<std::mutex>& lock)
{
    Channel& ch = m_channels[c];
    Scale scale = ScaleFor(ch);
    const std::optional<Pick> pick = PickJob(ch);
    if (!pick)
        return false;
    Job job = std::move(ch.queue[pick->job]);
    ch.queue.erase(ch.queue.begin() + static_cast<std::ptrdiff_t>(pick->job));
    const Kind kind = job.kind;
    const int l = kind == Kind::kDecode ? pick->lane : DrawnLane(ch);
    Lane& lane = ch.lanes[l];
    if (kind == Kind::kDecode) {
        lane.group = job.group;
        job.mode = ModeFor(ch, job);
        // In step a channel takes its picture at the instant (its last frame there) and decodes
        // on meanwhile without drawing, so that no core waits for the others.
        if (!Leads(ch, l) || (scale == Scale::kNow && !AtInstant(ch)))
            scale = Scale::kNot;
    } else {
        scale = Scale::kNow;
    }
    const uint64_t wave = m_wave;
    // The decoder is this worker's alone while its lane is busy.
    const bool resync = kind == Kind::kDecode && lane.resync;
    if (resync)
        lane.resync = false;
    // A decode holds its lane; a redraw or refine holds both, whichever picture it draws.
    const auto holds = [&](const Lane& it) { return kind != Kind::kDecode || &it == &lane; };
    for (Lane& it : ch.lanes)
        it.busy = it.busy || holds(it);
    ++m_busyCount;
    job.size = ch.tileSize;
    job.due = std::chrono::steady_clock::now() - ch.scaledAt >= m_refreshInterval;
    // The other lane may take the next group meanwhile.
    Schedule(c);
    lock.unlock();

    bool decoded = false, exact = false;
    QImage picture = Process(lane, job, resync, scale, decoded, exact);

    lock.lock();
    for (Lane& it : ch.lanes)
        it.busy = it.busy && !holds(it);
    --m_busyCount;
    // Keep the picture only if nothing made it stale meanwhile: a flush or reset, a new
    // tile size, or (for a redraw or refine) a reset.
    const bool current = kind == Kind::kDecode ? job.generation == m_generation : job.resets == m_resets;
    lane.unscaled = lane.unscaled && current;
    if (decoded)
        lane.pictureGroup = job.group;
    if (decoded && current) {
        ch.hasFrame = true;
        ch.decodedMs = lane.decoder->PictureStamp().Milliseconds();
    }
    ch.pictureWidth = lane.decoder->PictureWidth();
    if (!picture.isNull())
        ch.scaledAt = std::chrono::steady_clock::now();
    const bool stored = !picture.isNull() && current && picture.size() == ch.tileSize;
    if (current && kind == Kind::kDecode && !m_lockstep)
        NoteUnscaled(ch);
    else if (stored)
        ch.redrawAt.reset();
    if (stored) {
        const FrameStamp stamp = lane.decoder->PictureStamp();
        if (m_lockstep && kind == Kind::kDecode) {
            // Taken for the instant it was decoded for, unless the others moved on meanwhile.
            if (wave == m_wave) {
                ch.pending = std::move(picture);
                ch.pendingStamp = stamp;
                ch.pendingRough = !exact;
                ch.waveShot = true;
            }
        } else {
            ch.picture = std::move(picture);
            ch.pictureStamp = stamp;
            ch.rough = !exact;
            m_shown = true;
        }
    }
    if (kind == Kind::kRefine) {
        // Refined or not refinable: either way there is nothing more to gain.
        ch.refining = false;
        ch.rough = ch.rough && stored;
    }
    Schedule(c);
    m_idle.notify_all();
    return (stored && !(m_lockstep && kind == Kind::kDecode)) || AdvanceWave();
}

void DecodePipeline::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        WaitForWork(lock);
        if (m_quitting)
            return;
        if (m_ready.empty())
            continue;
        const int c = m_ready.front();
        m_ready.pop_front();
        m_channels[c].scheduled = false;
        if (Serve(c, lock)) {
            lock.unlock();
            m_pictureReady();
            lock.lock();
        }
    }
}

} // namespace display
