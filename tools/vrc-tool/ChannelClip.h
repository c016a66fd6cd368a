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
#include "tools/vrc-tool/HashedSource.h"

namespace vrctool {

// What every channel of one export shares: the command, the recording and its report.
struct ExportContext {
    const ExportArgs& args;
    const std::vector<std::string>& command;
    const recording::RecordingReport& report;
    platform::File& in;
    HashedSource& pass; // what the copies read, hashing the whole recording on the way
    const CommandErrors& errors;
};

// One channel's clip of an export: its span, its copy and its manifest. verify builds the
// same object from a manifest's command line to derive the clip a second time.
class ChannelClip {
public:
    ChannelClip(const ExportContext& context, int channel);

    // Every refusal of the recording's side, before anything is written.
    int Check();
    // The recorder's millisecond stamp of the clip's first frame, for a time line shared by
    // the clips of one export, and where that line starts.
    int64_t FirstStamp() const { return m_firstStamp; }
    void SetBase(int64_t earliestStamp) { m_baseMs = m_firstStamp - earliestStamp; }

    // Copies the span into path ("" only sizes and hashes the clip).
    ClipExport::Result Write(const std::string& path, const ClipExport::Progress& progress = {}) const;
    // The manifest of a written clip, the source's size and hash given.
    std::string Manifest(const ClipExport::Result& r, uint64_t sourceSize, const std::string& sourceSha) const;

    int Channel() const { return m_channel; }
    const std::string& Out() const { return m_out; }
    std::string ManifestPath() const { return m_out + ".manifest.json"; }
    // One line for the terminal: frames, key frames, span and anomalies.
    std::string Summary(const ClipExport::Result& r) const;

private:
    std::string Name() const;
    std::string SpanText() const;
    std::string FirstTime() const;
    ClipMuxer::Metadata Metadata() const;
    std::string RowsJson(const std::vector<recording::FrameRow>& rows) const;
    std::string StepsJson(const ClipExport::Result& r) const;
    std::string DamageJson() const;

    const ExportContext& m_context;
    int m_channel;
    std::string m_out;
    recording::ClipSpan m_span;
    recording::ChannelTimeline m_timeline;
    int64_t m_firstStamp = 0;
    int m_firstMillisecond = 0;
    int64_t m_baseMs = 0;
};

} // namespace vrctool
