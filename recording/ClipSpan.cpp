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
            break;
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
    span.damage = walk.Damage();
    span.damageOffset = walk.DamageOffset();
    // A run that ends before --from has nothing to give.
    if (!startFixed)
        span.frames = 0;
    return span;
}

} // namespace recording
