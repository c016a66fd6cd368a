#include "recording/ClipSpan.h"

namespace recording {

ClipSpan ClipSpan::Find(platform::File& file, uint64_t runBegin, uint64_t runEnd, std::optional<int32_t> from,
                        std::optional<int32_t> to)
{
    ClipSpan span;
    ChannelWalk walk(file, runBegin, runEnd, true);
    bool startFixed = false;
    bool started = false;
    bool reachedTo = false;
    while (const std::optional<WalkedRecord> record = walk.Next()) {
        const FrameRecord& r = record->header;
        if (to && r.f_time > *to) {
            reachedTo = true;
            break;
        }
        // The clip starts at the last key frame at or before the first record of --from's second.
        if (!startFixed && r.f_key == 1) {
            span.begin = record->offset;
            span.frames = 0;
            started = true;
        }
        startFixed = startFixed || (started && (!from || r.f_time >= *from));
        if (started) {
            ++span.frames;
            span.end = record->End();
        }
    }
    for (const WalkGap& gap : walk.Gaps()) {
        if (started && gap.begin >= span.begin && gap.end <= span.end)
            span.gaps.push_back(gap);
    }
    // Damage that no record follows ends the run's readable part early.
    if (!reachedTo && !walk.Gaps().empty() && walk.Gaps().back().begin >= span.end) {
        span.damage = walk.Gaps().back().Describe();
        span.damageOffset = walk.Gaps().back().begin;
    }
    // A run that ends before --from has nothing to give.
    if (!startFixed)
        span.frames = 0;
    return span;
}

} // namespace recording
