#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/RecordingReport.h"
#include "tools/vrc-tool/ChannelClip.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/ExportArgs.h"
#include "tools/vrc-tool/ExportOutput.h"

namespace vrctool {

// An export command made ready: its arguments read, the recording checked, every channel's
// span found and the clips put on one time line. export then writes the clips; verify
// writes them again into nothing to derive what the manifest should say.
class ExportJob {
public:
    ExportJob(const std::vector<std::string>& command, const CommandErrors& errors);
    ExportJob(const ExportJob&) = delete;
    ExportJob& operator=(const ExportJob&) = delete;

    // 0, or the exit status after the message. source, when given, replaces the
    // command's FILE (verify finds the recording where the manifest says or beside it).
    int Prepare(const std::string& source = {});

    const ExportArgs& Args() const { return m_args; }
    // The recording's size and SHA-256, worked out while the clips are written.
    SourceHash& Hash() { return m_hash; }
    const std::vector<ExportOutput>& Outputs() const { return m_outputs; }

private:
    std::vector<std::string> m_command;
    const CommandErrors& m_errors;
    ExportArgs m_args;
    recording::RecordingReport m_report;
    platform::File m_in;
    SourceHash m_hash;
    ExportContext m_context;
    std::deque<ChannelClip> m_clips;
    std::vector<ExportOutput> m_outputs;
};

} // namespace vrctool
