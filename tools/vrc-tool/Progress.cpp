#include "tools/vrc-tool/Progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace vrctool {
namespace {
constexpr int kWidth = 40;
} // namespace

Progress::Progress(std::string label, uint64_t total)
    : m_label(std::move(label)), m_total(total), m_shown(::isatty(STDERR_FILENO) == 1)
{
}

Progress::~Progress() { Finish(); }

void Progress::Finish()
{
    if (!m_shown || m_percent < 0 || m_finished)
        return;
    Update(m_total);
    m_finished = true;
    std::fprintf(stderr, "\n");
}

void Progress::Update(uint64_t done)
{
    const int percent = m_total ? static_cast<int>(std::min<uint64_t>(done, m_total) * 100 / m_total) : 100;
    if (!m_shown || percent == m_percent)
        return;
    m_percent = percent;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", m_label.c_str(), std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent);
    std::fflush(stderr);
}

} // namespace vrctool
