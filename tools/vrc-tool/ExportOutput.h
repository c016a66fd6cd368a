#pragma once
#include <string>
#include <vector>

#include "tools/vrc-tool/ChannelClip.h"

namespace vrctool {

// One file an export writes: a channel's clip, or with --tracks every channel's as tracks of
// one clip, and the manifest that states it.
class ExportOutput {
public:
    ExportOutput(const ExportContext& context, std::string out, std::vector<const ChannelClip*> clips)
        : m_context(context), m_out(std::move(out)), m_clips(std::move(clips))
    {
    }

    const std::string& Out() const { return m_out; }
    std::string ManifestPath() const { return m_out + ".manifest.json"; }
    const std::vector<const ChannelClip*>& Clips() const { return m_clips; }

    // Copies the spans into path ("" only sizes and hashes the clip); progress hears of
    // every frame written.
    ClipExport::Result Write(const std::string& path, const ClipExport::Progress& progress = {}) const;
    // The manifest's tracks of a written clip, its largest part: worked out while the
    // source's hash is still being computed.
    std::string TracksJson(const ClipExport::Result& r) const;
    // The manifest of a written clip, its tracks, the source's size and hash given.
    std::string Manifest(const std::string& tracks, const ClipExport::Result& r, uint64_t sourceSize,
                         const std::string& sourceSha) const;
    // One line for the terminal.
    std::string Summary(const ClipExport::Result& r) const;

private:
    const ExportContext& m_context;
    std::string m_out;
    std::vector<const ChannelClip*> m_clips;
};

} // namespace vrctool
