#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelWalk.h"

namespace recording {

// The records of a video run that a clip between two recorded times holds: from the last
// key frame at or before the first record of the second `from` (or the run's first key frame
// when there is none), so that the clip decodes from its first frame, up to the last record
// whose f_time is not past `to`.
struct ClipSpan {
    uint64_t begin = 0;  // the first record's header, a key frame
    uint64_t end = 0;    // just past the last record
    uint64_t frames = 0;
    // Why the run's readable part ends before `to`, if it does: damage that no record follows.
    std::string damage;
    uint64_t damageOffset = 0;
    std::vector<WalkGap> gaps; // unreadable stretches inside the span, skipped by the clip

    // from and to are f_time values; either may be absent for the run's start or end.
    static ClipSpan Find(platform::File& file, uint64_t runBegin, uint64_t runEnd, std::optional<int32_t> from,
                         std::optional<int32_t> to);
};

} // namespace recording
