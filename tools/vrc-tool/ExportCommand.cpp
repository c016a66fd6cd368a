#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/ExportJob.h"
#include "tools/vrc-tool/ManifestSignature.h"
#include "tools/vrc-tool/PartFiles.h"
#include "tools/vrc-tool/Progress.h"
#include "tools/vrc-tool/SourceGuard.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;

constexpr CommandErrors kErrors{
    "export",
    "usage: vrc-tool export FILE --channel K [--channel K ...] [--tracks] [--from TIME] [--to TIME] [--audio]\n"
    "                       [--force] [--sign KEY] OUT\n"
    "       TIME is a recorded time \"YYYY-MM-DD hh:mm:ss\"; OUT ends in .mkv (default) or .mp4\n"};

std::string Part(const std::string& path) { return path + ".part"; }

// Writes text to path; empty, or why it could not.
std::string WriteText(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return std::strerror(errno);
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
    const int error = errno;
    if (std::fclose(f) != 0 || !written)
        return std::strerror(written ? errno : error);
    return {};
}

// Every name an export may write, refused when it is the source or, without --force, exists.
int CheckTargets(ExportJob& job)
{
    const SourceGuard guard(job.Args().file);
    for (const ExportOutput& clip : job.Outputs()) {
        const std::string manifest = clip.ManifestPath();
        for (const std::string& path : {clip.Out(), Part(clip.Out()), manifest, Part(manifest),
                                        ManifestSignature::PathFor(manifest)}) {
            if (guard.IsSource(path))
                return kErrors.Fail(path, "is the recording being exported; it is never written");
        }
        for (const std::string& path : {clip.Out(), manifest}) {
            std::error_code ec;
            if (!job.Args().force && fs::exists(path, ec))
                return kErrors.Fail(path, "exists already; --force replaces it");
        }
    }
    return 0;
}

class ClipWriter {
public:
    ClipWriter(ExportJob& job, PartFiles& parts) : m_job(job), m_parts(parts) {}

    int Export(const ExportOutput& clip)
    {
        const std::string clipPart = Part(clip.Out()), manifestPart = Part(clip.ManifestPath());
        const std::string signaturePart = Part(ManifestSignature::PathFor(clip.ManifestPath()));
        if (!m_parts.Hold(clipPart) || !m_parts.Hold(manifestPart) || !m_parts.Hold(signaturePart))
            return kErrors.Fail(clip.Out(), "too many files at once");
        int status = Write(clip, clipPart, manifestPart);
        for (const std::string& part : {clipPart, manifestPart, signaturePart}) {
            if (const std::string error = PartFiles::Remove(part); !error.empty())
                status = kErrors.Fail(part, "cannot be removed: " + error);
            m_parts.Release(part);
        }
        return status;
    }

private:
    int Write(const ExportOutput& clip, const std::string& clipPart, const std::string& manifestPart)
    {
        const std::string& file = m_job.Args().file;
        SourceHash& hash = m_job.Hash();
        // The hash of the whole recording is what takes longest.
        Progress progress(clip.Out(), static_cast<uint64_t>(hash.Size()));
        const ClipExport::Result r = clip.Write(clipPart, [&] { progress.Update(hash.Hashed()); });
        // A recording cut or rewritten meanwhile explains any failure better than what followed from it.
        if (!r.error.empty())
            return SourceChanged() ? 1 : kErrors.Fail(r.error.starts_with("the record") ? file : clip.Out(), r.error);
        for (size_t i = 0; i < r.tracks.size(); ++i)
            Warn(clip.Clips()[i]->Channel(), r.tracks[i]);
        const std::string tracks = clip.TracksJson(r);
        const std::optional<std::string> sourceSha = hash.Finish([&](uint64_t done) { progress.Update(done); });
        if (SourceChanged())
            return 1;
        if (!sourceSha)
            return kErrors.Fail(file, "cannot be read to its end for its SHA-256");
        const std::string manifest = clip.Manifest(tracks, r, static_cast<uint64_t>(hash.Size()), *sourceSha);
        if (const std::string error = WriteText(manifestPart, manifest); !error.empty())
            return kErrors.Fail(clip.ManifestPath(), "cannot be written: " + error);
        if (const int status = Sign(clip, manifest); status != 0)
            return status;
        if (const int status = PutInPlace(clip, clipPart, manifestPart); status != 0)
            return status;
        progress.Finish();
        std::printf("%s\n", clip.Summary(r).c_str());
        return 0;
    }

    // Says so, and true, when the recording changed since the export opened it.
    bool SourceChanged() const
    {
        const std::string change = m_job.Hash().Changed();
        if (!change.empty())
            kErrors.Fail(m_job.Args().file, "changed while it was exported (" + change + "); nothing was written");
        return !change.empty();
    }

    void Warn(int channel, const ClipExport::Track& t) const
    {
        const char* file = m_job.Args().file.c_str();
        if (!t.audioDamage.empty())
            std::fprintf(stderr, "vrc-tool export: %s: warning: channel %d's sound ends early: %s\n", file, channel,
                         t.audioDamage.c_str());
        if (t.unplacedAudio > 0)
            std::fprintf(stderr, "vrc-tool export: %s: warning: %llu sound frames of channel %d found no place "
                         "beside the pictures and are left out\n",
                         file, static_cast<unsigned long long>(t.unplacedAudio), channel);
    }

    bool Signed() const { return !m_job.Args().signKey.empty(); }

    int Sign(const ExportOutput& clip, const std::string& manifest)
    {
        const std::string path = ManifestSignature::PathFor(clip.ManifestPath());
        const std::string error = Signed() ? ManifestSignature::Sign(manifest, m_job.Args().signKey, Part(path)) : "";
        return error.empty() ? 0 : kErrors.Fail(path, error);
    }

    // A clip without its manifest (or its asked-for signature) proves nothing: all or none stay.
    int PutInPlace(const ExportOutput& clip, const std::string& clipPart, const std::string& manifestPart)
    {
        const std::string signature = ManifestSignature::PathFor(clip.ManifestPath());
        const std::pair<std::string, std::string> moves[] = {
            {clipPart, clip.Out()}, {manifestPart, clip.ManifestPath()}, {Part(signature), signature}};
        for (size_t i = 0; i < (Signed() ? 3u : 2u); ++i) {
            std::error_code ec;
            fs::rename(moves[i].first, moves[i].second, ec);
            if (ec) {
                for (size_t j = 0; j < i; ++j)
                    PartFiles::Remove(moves[j].second);
                return kErrors.Fail(moves[i].second, "cannot be put in place: " + ec.message());
            }
        }
        // A signature left from an earlier export signed other bytes.
        const std::string stale = Signed() ? "" : PartFiles::Remove(signature);
        return stale.empty() ? 0 : kErrors.Fail(signature, "is stale and cannot be removed: " + stale);
    }

    ExportJob& m_job;
    PartFiles& m_parts;
};

} // namespace

int RunExport(const Args& args)
{
    ExportJob job(args, kErrors);
    if (const int status = job.Prepare(); status != 0)
        return status;
    if (const int status = CheckTargets(job); status != 0)
        return status;
    PartFiles parts;
    ClipWriter writer(job, parts);
    int status = 0;
    for (const ExportOutput& clip : job.Outputs()) {
        if ((status = writer.Export(clip)) != 0)
            break;
    }
    return status;
}

} // namespace vrctool
