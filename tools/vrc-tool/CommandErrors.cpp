#include "tools/vrc-tool/CommandErrors.h"

#include <cstdio>

namespace vrctool {

int CommandErrors::Usage(const std::string& error) const
{
    std::fprintf(stderr, "vrc-tool %s: %s\n%s", m_name, error.c_str(), m_usage);
    return 2;
}

int CommandErrors::Fail(const std::string& file, const std::string& what, int status) const
{
    std::fprintf(stderr, "vrc-tool %s: %s: %s\n", m_name, file.c_str(), what.c_str());
    return status;
}

int CommandErrors::OpenHeader(const std::string& file, platform::File& in, recording::HeaderCheck& check) const
{
    if (!in.Open(file))
        return Fail(file, "cannot read the file", 2);
    if (in.Size() < recording::kMinimumFileSize)
        return Fail(file, recording::MessageText(recording::RecordingError::C1001));
    check = recording::HeaderCheck::Run(in);
    return check.error ? Fail(file, recording::MessageText(*check.error)) : 0;
}

} // namespace vrctool
