#include "playback/RecordingWatch.h"

namespace playback {

void RecordingWatch::Arm(const std::string& path, const platform::File& handle)
{
    m_path = path;
    m_opened = handle.Identity();
}

std::string RecordingWatch::Check(const platform::File& handle) const
{
    if (!m_opened)
        return "";
    // The open file itself first (cut or written over), then what its name now stands for.
    std::string change = platform::FileIdentity::Change(*m_opened, handle.Identity());
    if (change.empty())
        change = platform::FileIdentity::Change(*m_opened, platform::FileIdentity::OfPath(m_path));
    return change;
}

} // namespace playback
