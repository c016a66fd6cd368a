#include "motion/MotionSearch.h"

#include "motion/ChannelSearch.h"
#include "recording/ChannelTables.h"
#include "recording/ClipSpan.h"
#include "recording/HeaderCheck.h"
#include "recording/Messages.h"

namespace motion {

MotionResult MotionSearch::Run(const std::string& path, int channel, const MotionOptions& options,
                               const SearchObserver& observer)
{
    MotionResult result;
    platform::File file;
    if (!file.Open(path)) {
        result.error = "cannot read the file: " + file.OpenError();
        return result;
    }
    const recording::HeaderCheck check = recording::HeaderCheck::Run(file);
    if (check.error) {
        result.error = recording::MessageText(*check.error);
        return result;
    }
    const recording::RecordingHeader& h = check.header;
    const recording::ChannelTables tables = recording::ChannelTables::Build(h, check.fileSize);
    if (channel < 0 || channel >= recording::RecordingHeader::kChannels || !tables.bVideoCh[channel]) {
        result.error = "channel " + std::to_string(channel) + " has no video";
        return result;
    }
    const recording::ChannelEntry& run = h.videoCh[channel];
    const recording::ClipSpan span = recording::ClipSpan::Find(file, tables.dataOffset + run.startPos,
                                                               tables.dataOffset + run.endPos, options.from, options.to);
    if (span.frames == 0) {
        result.error = "channel " + std::to_string(channel) + " has no frames there";
        return result;
    }
    return ChannelSearch(file, h.videoFormat, options, observer).Run(span.begin, span.end);
}

} // namespace motion
