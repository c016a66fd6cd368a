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

int CommandErrors::CannotRead(const std::string& file, const std::string& reason) const
{
    std::fprintf(stderr, "vrc-tool %s: cannot read '%s': %s\n", m_name, file.c_str(), reason.c_str());
    return 1;
}

int CommandErrors::OpenHeader(const std::string& file, platform::File& in, recording::HeaderCheck& check) const
{
    if (!in.Open(file))
        return CannotRead(file, in.OpenError());
    check = recording::HeaderCheck::Run(in);
    if (!check.error)
        return 0;
    Fail(file, recording::MessageText(*check.error));
    std::fprintf(stderr, "%s\n", recording::ReasonLine(file, check.reason).c_str());
    return 1;
}

} // namespace vrctool
