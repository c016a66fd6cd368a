#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelTables.h"
#include "recording/RecordingReport.h"
#include "recording/RecordingSalvage.h"
#include "tools/sample/RecordingWriter.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/TimelineJson.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;
using recording::RecordingSalvage;
using recording::SalvagedRun;
using recording::WalkedRecord;

constexpr CommandErrors kErrors{"salvage", "usage: vrc-tool salvage BROKEN OUT.vrc [--report FILE]\n"};

struct SalvageArgs {
    std::string broken;
    std::string out;
    std::string report;
};

std::string Parse(const Args& args, SalvageArgs& s)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--report") {
            if (i + 1 == args.size())
                return "--report needs a file name";
            s.report = args[++i];
        } else if (args[i].starts_with("--") || !s.out.empty()) {
            return "unexpected argument '" + args[i] + "'";
        } else {
            (s.broken.empty() ? s.broken : s.out) = args[i];
        }
    }
    return s.out.empty() ? "BROKEN and OUT are both needed" : "";
}

// Writing OUT must never touch BROKEN, whatever name or link leads to it.
bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ignored;
    return fs::weakly_canonical(a, ignored) == fs::weakly_canonical(b, ignored);
}

std::string Name(const recording::RecordingHeader& h, bool audio, int channel)
{
    return std::string(audio ? "audio " : "video ") + std::to_string(channel) + " " +
           recording::ToUtf8((audio ? h.audioCh : h.videoCh)[channel].NameText());
}

// The stretches of records kept back to back, each with its bytes and recorded times.
std::string KeptSpans(const SalvagedRun& run)
{
    std::string text;
    for (size_t i = 0; i < run.records.size();) {
        size_t j = i;
        while (j + 1 < run.records.size() && run.records[j + 1].offset == run.records[j].End())
            ++j;
        const WalkedRecord& a = run.records[i];
        const WalkedRecord& b = run.records[j];
        text += "    kept " + std::to_string(j - i + 1) + " frames, " + RecordedTime(a.header.f_time) + " .. " +
                RecordedTime(b.header.f_time) + ", bytes " + std::to_string(a.offset) + " to " +
                std::to_string(b.End()) + "\n";
        i = j + 1;
    }
    return text;
}

std::string RunReport(const recording::RecordingHeader& h, const SalvagedRun& run)
{
    std::string text = Name(h, run.audio, run.channel) + ": ";
    if (!run.playable)
        return text + "lost all " + std::to_string(run.records.size()) + " frames (" + std::to_string(run.Bytes()) +
               " bytes): too little of a video run for the player to open\n";
    text += std::to_string(run.records.size()) + " frames kept, " + std::to_string(run.gaps.size()) +
            " unreadable stretches lost\n" + KeptSpans(run);
    for (const recording::WalkGap& gap : run.gaps)
        text += "    lost " + gap.Describe() + "\n";
    return text;
}

// The channels a believed table names that gave no record at all, such as those past a cut.
std::string EmptyChannels(const RecordingSalvage::Result& found)
{
    std::string text;
    if (!found.tablesBelieved)
        return text;
    const recording::RecordingHeader& h = found.header;
    const uint64_t data = recording::ChannelTables::DataOffset(h.version);
    for (const bool audio : {false, true}) {
        for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
            const recording::ChannelEntry& e = (audio ? h.audioCh : h.videoCh)[k];
            const bool kept = std::any_of(found.runs.begin(), found.runs.end(),
                                          [&](const SalvagedRun& r) { return r.audio == audio && r.channel == k; });
            if (((audio ? h.audioMask : h.videoMask) & (1u << k)) && e.HasRun() && !kept)
                text += Name(h, audio, k) + ": lost everything, bytes " + std::to_string(data + e.startPos) + " to " +
                        std::to_string(data + e.endPos) + " hold no intact record (the file has " +
                        std::to_string(found.fileSize) + " bytes)\n";
        }
    }
    return text;
}

// One line over all channels: frames kept and left out, bytes that could not be read.
std::string Totals(const RecordingSalvage::Result& found)
{
    uint64_t kept = 0, channels = 0, leftOut = 0, stretches = 0, unreadable = 0;
    for (const SalvagedRun& run : found.runs) {
        (run.playable ? kept : leftOut) += run.records.size();
        channels += run.playable ? 1 : 0;
        stretches += run.gaps.size();
        for (const recording::WalkGap& gap : run.gaps)
            unreadable += gap.end - gap.begin;
    }
    return "kept " + std::to_string(kept) + " frames of " + std::to_string(channels) + " channels; left out " +
           std::to_string(leftOut) + " intact frames; lost " + std::to_string(stretches) + " unreadable stretches of " +
           std::to_string(unreadable) + " bytes\n";
}

// Copies the kept runs into OUT and fills the header's masks and entries.
std::string Write(platform::File& in, const RecordingSalvage::Result& found, const std::string& out)
{
    recording::RecordingHeader h = found.header;
    h.videoMask = h.audioMask = 0;
    for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
        for (recording::ChannelEntry* e : {&h.videoCh[k], &h.audioCh[k]}) {
            e->startPos = e->endPos = 0;
            e->chNumber = static_cast<int8_t>(k);
        }
    }
    sample::RecordingWriter writer;
    if (!writer.Open(out, h.version))
        return writer.Error();
    std::vector<uint8_t> payload(recording::FrameRecord::kMaxPayload);
    int highest = 0;
    for (const SalvagedRun& run : found.runs) {
        if (!run.playable)
            continue;
        writer.BeginRun();
        for (const WalkedRecord& r : run.records) {
            const uint32_t size = r.header.f_size;
            if (in.ReadAt(r.offset + recording::FrameRecord::kHeaderSize, payload.data(), size) != size)
                return "cannot read the record at offset " + std::to_string(r.offset);
            if (!writer.Append(r.header.f_time, r.header.f_msec, r.header.f_key, {}, {payload.data(), size}))
                return writer.Error();
        }
        writer.EndRun((run.audio ? h.audioCh : h.videoCh)[run.channel]);
        (run.audio ? h.audioMask : h.videoMask) |= 1u << run.channel;
        highest = std::max(highest, run.channel + 1);
    }
    if (h.videoMask == 0)
        return "no video channel has enough intact records for the player to open";
    if (h.chCount < highest || h.chCount > recording::RecordingHeader::kChannels)
        h.chCount = static_cast<uint8_t>(highest);
    return writer.Finish(h) ? "" : writer.Error();
}

} // namespace

int RunSalvage(const Args& args)
{
    SalvageArgs s;
    if (const std::string error = Parse(args, s); !error.empty())
        return kErrors.Usage(error);
    if (SameFile(s.broken, s.out) || (!s.report.empty() && (SameFile(s.broken, s.report) || SameFile(s.out, s.report))))
        return kErrors.Fail(s.out, "names the damaged recording or the report; salvage writes a new file");
    platform::File in;
    if (!in.Open(s.broken))
        return kErrors.CannotRead(s.broken, in.OpenError());
    const RecordingSalvage::Result found = RecordingSalvage::Find(in);
    if (const std::string error = Write(in, found, s.out); !error.empty()) {
        std::error_code ignored;
        fs::remove(s.out, ignored);
        return kErrors.Fail(s.broken, error);
    }
    std::string report = s.broken + " -> " + s.out +
                         (found.tablesBelieved ? "" : " (the tables could not be believed: channels told apart by their records)") +
                         "\n";
    for (const SalvagedRun& run : found.runs)
        report += RunReport(found.header, run);
    report += EmptyChannels(found) + Totals(found);
    const recording::RecordingReport check = recording::RecordingReport::Run(s.out);
    report += s.out + (check.ok ? ": opens in the player\n" : ": does not open in the player\n");
    std::fputs(report.c_str(), stdout);
    if (!s.report.empty()) {
        std::FILE* f = std::fopen(s.report.c_str(), "w");
        if (!f || std::fputs(report.c_str(), f) < 0 || std::fclose(f) != 0)
            return kErrors.Fail(s.report, "cannot write the report");
    }
    return check.ok ? 0 : 1;
}

} // namespace vrctool
