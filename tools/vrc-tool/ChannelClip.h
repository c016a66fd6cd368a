#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelTimeline.h"
#include "recording/ClipSpan.h"
#include "recording/RecordingReport.h"
#include "tools/vrc-tool/ClipExport.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/ExportArgs.h"
#include "tools/vrc-tool/SourceHash.h"

namespace vrctool {

// What every channel of one export shares: the command, the recording and its report.
struct ExportContext {
    const ExportArgs& args;
    const std::vector<std::string>& command;
    const recording::RecordingReport& report;
    platform::File& in;
    SourceHash& sourceHash; // the whole recording's, worked out while the copies read
    const CommandErrors& errors;
};

// One channel's part of an export: its span, the source of its track and what the manifest
// says of it. verify builds the same object from a manifest's command line to derive the clip
// a second time.
class ChannelClip {
public:
    ChannelClip(const ExportContext& context, int channel);

    // Every refusal of the recording's side, before anything is written.
    int Check();
    // The recorder's millisecond stamp of the clip's first frame, for a time line shared by
    // the clips of one export, and where that line starts.
    int64_t FirstStamp() const { return m_firstStamp; }
    void SetBase(int64_t earliestStamp) { m_baseMs = m_firstStamp - earliestStamp; }

    // What the copy of the span reads, and the track's name in the clip.
    ClipExport::Source Source() const;
    std::string Title() const;
    // The clip's tags when it holds this channel first.
    ClipMuxer::Metadata Metadata() const;
    // Appends the manifest's object for this channel's track: its tables run to a hundred
    // bytes a frame, so they are written in place rather than copied from string to string.
    void AppendTrackJson(std::string& out, const ClipExport::Track& r) const;

    int Channel() const { return m_channel; }
    // For the terminal: frames, key frames, span and anomalies.
    std::string Summary(const ClipExport::Track& r) const;

private:
    std::string Name() const;
    std::string SpanText() const;
    std::string FirstTime() const;
    static void AppendRowsJson(std::string& out, const std::vector<recording::FrameRow>& rows);
    std::string StepsJson(const ClipExport::Track& r) const;
    std::string DamageJson() const;

    const ExportContext& m_context;
    int m_channel;
    recording::ClipSpan m_span;
    recording::ChannelTimeline m_timeline;
    int64_t m_firstStamp = 0;
    int m_firstMillisecond = 0;
    int64_t m_baseMs = 0;
};

} // namespace vrctool
