#pragma once
#include <optional>
#include <string>

#include "platform/File.h"
#include "platform/FileIdentity.h"

namespace playback {

// Notices a recording that changes under the player: cut short, written over, replaced or
// removed under its name. Its offsets were checked at the open; afterwards they may point
// anywhere, and some tiles would freeze while others play on.
class RecordingWatch {
public:
    // Takes the identity of the recording just opened through handle under path.
    void Arm(const std::string& path, const platform::File& handle);
    void Disarm() { m_opened.reset(); }
    // What changed since Arm, in plain words; empty while nothing did or nothing is armed.
    std::string Check(const platform::File& handle) const;

private:
    std::string m_path;
    std::optional<platform::FileIdentity> m_opened;
};

} // namespace playback
