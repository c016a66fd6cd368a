#pragma once
#include <string>

#include "platform/File.h"
#include "recording/HeaderCheck.h"

namespace vrctool {

// How a sub-command tells what stops it: one line on stderr that begins with
// "vrc-tool NAME:", and the exit status that goes with it.
class CommandErrors {
public:
    constexpr CommandErrors(const char* name, const char* usage) : m_name(name), m_usage(usage) {}

    // The parser's complaint followed by the usage; returns the status of a usage error.
    int Usage(const std::string& error) const;
    // "FILE: WHAT"; returns status.
    int Fail(const std::string& file, const std::string& what, int status = 1) const;
    // "cannot read 'FILE': REASON"; returns the status of a failed input.
    int CannotRead(const std::string& file, const std::string& reason) const;
    // Opens a recording and checks its header, for the commands that walk the runs even
    // where the scan would refuse the file. Returns 0 when the header holds, else the
    // status of what was reported.
    int OpenHeader(const std::string& file, platform::File& in, recording::HeaderCheck& check) const;

private:
    const char* m_name;
    const char* m_usage;
};

} // namespace vrctool
