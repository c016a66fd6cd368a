#include "bench/av_offset/MonitorRecorder.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace avoffset {

MonitorRecorder::MonitorRecorder(std::string source, int rate)
    : m_source(std::move(source)), m_rate(rate)
{
}

MonitorRecorder::~MonitorRecorder() { Stop(); }

std::string MonitorRecorder::Start()
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::string("pipe: ") + std::strerror(errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string rate = "--rate=" + std::to_string(m_rate);
    const std::string device = "--device=" + m_source;
    const char* argv[] = {"parec",        "--raw", "--format=s16le", "--channels=1", rate.c_str(), "--latency-msec=10",
                          device.c_str(), nullptr};
    const int error = ::posix_spawnp(&m_pid, "parec", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (error != 0) {
        ::close(pipeFds[0]);
        m_pid = -1;
        return std::string("parec: ") + std::strerror(error);
    }
    m_reader = std::thread([this, fd = pipeFds[0]] { Read(fd); });
    return {};
}

void MonitorRecorder::Read(int fd)
{
    std::vector<char> bytes;
    char block[4096];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        const Clock::time_point arrived = Clock::now();
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), block, block + n);
        m_receiving.store(true);
        const auto played = std::chrono::duration<double>(static_cast<double>(bytes.size() / 2) / m_rate);
        m_blockStarts.push_back(arrived - std::chrono::duration_cast<Clock::duration>(played));
    }
    ::close(fd);
    m_samples.resize(bytes.size() / 2);
    std::memcpy(m_samples.data(), bytes.data(), m_samples.size() * 2);
    if (!m_blockStarts.empty())
        m_first = *std::min_element(m_blockStarts.begin(), m_blockStarts.end());
}

void MonitorRecorder::Stop()
{
    if (m_pid < 0)
        return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    if (m_reader.joinable())
        m_reader.join();
}

double MonitorRecorder::MedianBlockDelayMs() const
{
    if (m_blockStarts.empty())
        return 0;
    std::vector<double> delays;
    for (const Clock::time_point start : m_blockStarts)
        delays.push_back(std::chrono::duration<double, std::milli>(start - m_first).count());
    std::nth_element(delays.begin(), delays.begin() + delays.size() / 2, delays.end());
    return delays[delays.size() / 2];
}

MonitorRecorder::Clock::time_point MonitorRecorder::At(size_t sample) const
{
    const auto offset = std::chrono::duration<double>(static_cast<double>(sample) / m_rate);
    return m_first + std::chrono::duration_cast<Clock::duration>(offset);
}

} // namespace avoffset
