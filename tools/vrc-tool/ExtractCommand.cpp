#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelTables.h"
#include "recording/KeyFrame.h"
#include "tools/vrc-tool/CommandArguments.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"

namespace vrctool {
namespace {

constexpr CommandErrors kErrors{"extract", "usage: vrc-tool extract FILE --channel K [--audio] OUT\n"};

struct ExtractArgs {
    std::string file;
    std::string out;
    int channel = -1;
    bool audio = false;
};

std::string Parse(const Args& args, ExtractArgs& e)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        if (a == "--audio") {
            e.audio = true;
        } else if (a == "--channel") {
            error = CommandArguments::TakeChannel(args, i, e.channel);
        } else {
            error = CommandArguments::TakeFileOrOut(a, e.file, e.out);
        }
        if (!error.empty())
            return error;
    }
    if (e.file.empty() || e.out.empty() || e.channel < 0)
        return "FILE, --channel K and OUT are all needed";
    return {};
}

// Copies one run's payloads to out, record by record; the text says where the run breaks.
class RunCopy {
public:
    RunCopy(platform::File& in, std::FILE* out, size_t skip) : m_in(in), m_out(out), m_skip(skip) {}

    std::string Copy(uint64_t from, uint64_t to)
    {
        for (uint64_t pos = from; pos < to;) {
            uint8_t bytes[recording::FrameRecord::kHeaderSize];
            if (m_in.ReadAt(pos, bytes, sizeof bytes) != sizeof bytes)
                return At(pos, "is cut off by the end of the file");
            const recording::FrameRecord r = recording::FrameRecord::Parse(bytes);
            if (r.f_size > recording::FrameRecord::kMaxPayload)
                return At(pos, "has f_size " + std::to_string(r.f_size) + ", more than a frame can hold");
            const uint64_t next = pos + sizeof bytes + r.f_size;
            if (next > to)
                return At(pos, "reaches past the end of the run at " + std::to_string(to));
            if (r.f_size < m_skip)
                return At(pos, "is shorter than the 52-byte block in front of every frame");
            if (m_in.Read(m_payload.data(), r.f_size) != r.f_size)
                return At(pos, "is cut off by the end of the file");
            const size_t size = r.f_size - m_skip;
            if (std::fwrite(m_payload.data() + m_skip, 1, size, m_out) != size)
                return "cannot write the output";
            pos = next;
            ++m_records;
        }
        return {};
    }

    size_t Records() const { return m_records; }

private:
    static std::string At(uint64_t pos, const std::string& what)
    {
        return "the record at offset " + std::to_string(pos) + " " + what;
    }

    platform::File& m_in;
    std::FILE* m_out;
    size_t m_skip;
    std::vector<uint8_t> m_payload = std::vector<uint8_t>(recording::FrameRecord::kMaxPayload);
    size_t m_records = 0;
};

} // namespace

int RunExtract(const Args& args)
{
    ExtractArgs e;
    if (const std::string error = Parse(args, e); !error.empty())
        return kErrors.Usage(error);
    platform::File in;
    recording::HeaderCheck check;
    if (const int status = kErrors.OpenHeader(e.file, in, check); status != 0)
        return status;
    const recording::RecordingHeader& h = check.header;
    const recording::ChannelEntry& entry = (e.audio ? h.audioCh : h.videoCh)[e.channel];
    const char* kind = e.audio ? "audio" : "video";
    if (!entry.HasRun())
        return kErrors.Fail(e.file, "channel " + std::to_string(e.channel) + " has no " + kind + " run");
    std::FILE* out = std::fopen(e.out.c_str(), "wb");
    if (!out)
        return kErrors.Fail(e.out, std::string("cannot create the output: ") + std::strerror(errno));
    const uint64_t dataOffset = recording::ChannelTables::DataOffset(h.version);
    const size_t skip = !e.audio && h.videoFormat >= 3 ? recording::kPrefixBlockSize : 0;
    RunCopy copy(in, out, skip);
    std::string error = copy.Copy(dataOffset + entry.startPos, dataOffset + entry.endPos);
    if (std::fclose(out) != 0 && error.empty())
        error = "cannot write the output";
    if (!error.empty()) {
        std::remove(e.out.c_str());
        return kErrors.Fail(e.file, "channel " + std::to_string(e.channel) + " " + kind + ": " + error);
    }
    std::printf("%s: %zu %s frames of channel %d\n", e.out.c_str(), copy.Records(), kind, e.channel);
    return 0;
}

} // namespace vrctool
