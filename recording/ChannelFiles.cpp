#include "recording/ChannelFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "recording/FrameRecord.h"

namespace recording {
namespace {

namespace fs = std::filesystem;

std::string ChannelFileName(const std::string& date, uint32_t channel)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s_%02u.chv", date.c_str(), channel);
    return name;
}

} // namespace

bool ChannelFiles::Create(const std::string& folder, const std::string& date, uint32_t chCount)
{
    if (chCount == 0 || chCount > ChannelExport::kMaxChannels)
        return false;
    const fs::path dir = fs::path(folder) / "Ch";
    // A folder that cannot be made shows up as channel files that cannot be created.
    std::error_code ignored;
    fs::create_directory(dir, ignored);
    m_channels.resize(chCount);
    for (uint32_t c = 0; c < chCount; ++c) {
        Channel& channel = m_channels[c];
        channel.stats.path = (dir / ChannelFileName(date, c)).string();
        channel.existed = fs::exists(fs::symlink_status(channel.stats.path, ignored));
        channel.file.reset(std::fopen(channel.stats.path.c_str(), "wb"));
        if (!channel.file)
            channel.error = std::strerror(errno);
        else
            std::setvbuf(channel.file.get(), nullptr, _IONBF, 0);
    }
    return true;
}

void ChannelFiles::Append(const IndexRecord& r, int32_t fTime, const std::vector<uint8_t>& payload)
{
    if (r.i_ch >= m_channels.size())
        return;
    Channel& channel = m_channels[r.i_ch];
    if (!channel.file) {
        ++channel.lost;
        return;
    }
    m_record.resize(FrameRecord::kHeaderSize + r.i_size);
    // The back link keeps an exported file walkable backwards.
    FrameRecord{fTime, r.i_time.wMilliseconds, r.i_size, channel.prevSize, r.i_key}.Serialize(m_record.data());
    std::memcpy(m_record.data() + FrameRecord::kHeaderSize, payload.data(), r.i_size);
    if (std::fwrite(m_record.data(), 1, m_record.size(), channel.file.get()) != m_record.size()) {
        Fail(channel, errno);
        ++channel.lost;
        return;
    }
    channel.prevSize = r.i_size;
    ++channel.stats.records;
    channel.stats.bytes += m_record.size();
}

void ChannelFiles::Fail(Channel& channel, int error)
{
    channel.error = std::strerror(error);
    // What is kept holds whole records only; a device such as /dev/full has no length to cut.
    if (channel.file) {
        [[maybe_unused]] const int cut = ::ftruncate(::fileno(channel.file.get()), static_cast<off_t>(channel.stats.bytes));
    }
    channel.file.reset();
    if (channel.existed)
        return;
    std::error_code ignored;
    channel.removed = fs::remove(channel.stats.path, ignored);
    channel.lost += channel.stats.records;
    channel.stats.records = 0;
    channel.stats.bytes = 0;
}

void ChannelFiles::Finish(ChannelExport::Result& result)
{
    for (Channel& channel : m_channels) {
        if (channel.file && std::fclose(channel.file.release()) != 0)
            Fail(channel, errno);
        if (!channel.error.empty()) {
            channel.stats.failure = channel.stats.path + ": " + channel.error + ", " + std::to_string(channel.lost) +
                                    " record(s) not written" + (channel.removed ? ", file removed" : "");
        }
        result.channels.push_back(channel.stats);
    }
}

} // namespace recording
