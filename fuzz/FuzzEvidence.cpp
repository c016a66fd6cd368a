// Every byte string is a recording someone may want a timeline of or a clip from: walking
// every run and muxing every video channel must end without a crash, a hang or a read past
// a buffer, whatever the records claim.
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "fuzz/ScratchFile.h"
#include "recording/ChannelTimeline.h"
#include "recording/RecordingReport.h"
#include "tools/vrc-tool/ClipExport.h"

namespace {

void ExportEveryChannel(const recording::RecordingReport& r, platform::File& file)
{
    const recording::RecordingHeader& h = r.header.header;
    for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
        if (!r.tables.bVideoCh[k])
            continue;
        const uint64_t begin = r.tables.dataOffset + uint64_t{h.videoCh[k].startPos};
        const uint64_t end = r.tables.dataOffset + uint64_t{h.videoCh[k].endPos};
        const recording::ClipSpan span = recording::ClipSpan::Find(file, begin, end, std::nullopt, std::nullopt);
        if (span.frames == 0)
            continue;
        const vrctool::ClipExport::Source source{file, h, k, span, r.tables.bAudioCh[k] != 0,
                                                 r.scan.startInfo[0].f_time};
        const vrctool::ClipExport::Result result =
            vrctool::ClipExport::Run({source}, {"fuzz"}, "", "mkv", {{"title", "fuzz"}});
        // A clip that was written holds every frame of its span.
        if (result.error.empty() && result.tracks[0].video.size() != span.frames)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    av_log_set_level(AV_LOG_QUIET);
    const fuzz::ScratchFile scratch("fuzz-evidence", data, size);
    const std::string& path = scratch.Path();
    if (path.empty())
        return 0;
    const recording::RecordingReport r = recording::RecordingReport::Run(path);
    platform::File file;
    if (!r.header.error && file.Open(path)) {
        recording::ChannelTimeline::OfRecording(file, r.header.header, 2000);
        if (r.ok)
            ExportEveryChannel(r, file);
    }
    return 0;
}
