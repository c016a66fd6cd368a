#include "tools/vrc-tool/PartFiles.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace vrctool {
namespace {

// Fixed slots of copied names, so that the handler touches no allocator and no lock.
constexpr size_t kSlots = 64;
constexpr size_t kPathMax = 4096;
std::array<char[kPathMax], kSlots> g_names;
std::array<std::atomic<bool>, kSlots> g_used;
struct sigaction g_previousInt, g_previousTerm;

extern "C" void RemoveAndExit(int signal)
{
    for (size_t i = 0; i < kSlots; ++i) {
        if (g_used[i].load())
            ::unlink(g_names[i]);
    }
    ::_exit(128 + signal);
}

} // namespace

PartFiles::PartFiles()
{
    struct sigaction action {};
    action.sa_handler = RemoveAndExit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previousInt);
    sigaction(SIGTERM, &action, &g_previousTerm);
}

PartFiles::~PartFiles()
{
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    for (std::atomic<bool>& used : g_used)
        used.store(false);
}

bool PartFiles::Hold(const std::string& path)
{
    if (path.size() >= kPathMax)
        return false;
    for (size_t i = 0; i < kSlots; ++i) {
        if (!g_used[i].load()) {
            std::memcpy(g_names[i], path.c_str(), path.size() + 1);
            g_used[i].store(true);
            return true;
        }
    }
    return false;
}

void PartFiles::Release(const std::string& path)
{
    for (size_t i = 0; i < kSlots; ++i) {
        if (g_used[i].load() && path == g_names[i])
            g_used[i].store(false);
    }
}

std::string PartFiles::Remove(const std::string& path)
{
    std::error_code ec;
    // A read-only file system refuses even the removal of a file that is not there.
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return {};
    std::filesystem::remove(path, ec);
    return ec ? ec.message() : std::string();
}

} // namespace vrctool
