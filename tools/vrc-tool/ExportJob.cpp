#include "tools/vrc-tool/ExportJob.h"

#include <algorithm>

#include "recording/Messages.h"
#include "tools/vrc-tool/ClipMuxer.h"

namespace vrctool {

ExportJob::ExportJob(const std::vector<std::string>& command, const CommandErrors& errors)
    : m_command(command), m_errors(errors), m_context{m_args, m_command, m_report, m_in, m_hash, m_errors}
{
}

int ExportJob::Prepare(const std::string& source)
{
    if (const std::string error = m_args.Parse(m_command); !error.empty())
        return m_errors.Usage(error);
    if (!source.empty())
        m_args.file = source;
    if (m_args.from && m_args.to && *m_args.to < *m_args.from)
        return m_errors.Fail(m_args.file, "--to " + m_args.toText + " lies before --from " + m_args.fromText);
    const std::string container = ClipMuxer::ContainerOf(m_args.out);
    if (container.empty())
        return m_errors.Fail(m_args.out, "names no container: use .mkv or .mp4");
    if ((m_args.audio || m_args.tracks) && container != "mkv")
        return m_errors.Fail(m_args.out, std::string("MP4 clips carry one video track and no sound; use .mkv for ") +
                                             (m_args.audio ? "--audio" : "--tracks"));
    // Opened first, so that a file that cannot be read is refused with the reason.
    if (!m_in.Open(m_args.file))
        return m_errors.CannotRead(m_args.file, m_in.OpenError());
    if (!m_hash.Start(m_in))
        return m_errors.CannotRead(m_args.file, "no file descriptor is left to hash it with");
    m_report = recording::RecordingReport::Run(m_args.file);
    if (!m_report.readable)
        return m_errors.CannotRead(m_args.file, "it could not be read through");
    if (!m_report.ok) {
        std::string messages;
        for (const recording::RecordingError m : m_report.messages)
            messages += (messages.empty() ? "" : " ") + std::string(recording::MessageText(m));
        return m_errors.Fail(m_args.file, messages);
    }
    for (const int channel : m_args.channels) {
        if (const int status = m_clips.emplace_back(m_context, channel).Check(); status != 0)
            return status;
    }
    // Every clip's times count from the earliest first frame among them, so they line up.
    const int64_t earliest = std::ranges::min_element(m_clips, {}, &ChannelClip::FirstStamp)->FirstStamp();
    for (ChannelClip& clip : m_clips)
        clip.SetBase(earliest);
    std::vector<const ChannelClip*> tracks;
    for (const ChannelClip& clip : m_clips) {
        if (m_args.tracks)
            tracks.push_back(&clip);
        else
            m_outputs.emplace_back(m_context, m_args.OutputFor(clip.Channel()), std::vector{&clip});
    }
    if (m_args.tracks)
        m_outputs.emplace_back(m_context, m_args.out, tracks);
    return 0;
}

} // namespace vrctool
