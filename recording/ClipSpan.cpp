#include "recording/ClipSpan.h"

#include "recording/ChannelWalk.h"

namespace recording {

ClipSpan ClipSpan::Find(platform::File& file, uint64_t runBegin, uint64_t runEnd, std::optional<int32_t> from,
                        std::optional<int32_t> to)
{
    ClipSpan span;
    ChannelWalk walk(file, runBegin, runEnd, true);
    bool startFixed = false;
    bool started = false;
    while (const std::optional<WalkedRecord> record = walk.Next()) {
        const FrameRecord& r = record->header;
        if (to && r.f_time > *to)
            return span;
        const bool beforeFrom = from && r.f_time <= *from;
        if (!startFixed && r.f_key == 1 && (beforeFrom || !started)) {
            span.begin = record->offset;
            span.frames = 0;
            started = true;
        }
        startFixed = startFixed || (started && !beforeFrom);
        if (started) {
            ++span.frames;
            span.end = record->End();
        }
    }
    span.damage = walk.Damage();
    span.damageOffset = walk.DamageOffset();
    return span;
}

} // namespace recording
