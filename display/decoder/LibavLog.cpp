#include "display/decoder/LibavLog.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace display {
namespace {

std::atomic<LibavLog::Sink> g_sink{nullptr};
std::atomic<LibavLog::SourceOf> g_sourceOf{nullptr};
std::once_flag g_installOnce;
bool g_installed = false;
std::mutex g_mutex;
LibavLog::Source g_other;

void Say(const std::string& line)
{
    if (const LibavLog::Sink sink = g_sink.load())
        sink(line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

void LogLine(void* context, int level, const char* format, va_list args)
{
    if (level > AV_LOG_ERROR || !format)
        return;
    char text[512];
    int prefix = 0;
    av_log_format_line2(context, level, format, args, text, sizeof text, &prefix);
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        text[--length] = '\0';
    std::string line;
    {
        std::lock_guard lock(g_mutex);
        const LibavLog::SourceOf sourceOf = g_sourceOf.load();
        LibavLog::Source* own = sourceOf && context ? sourceOf(context) : nullptr;
        LibavLog::Source& s = own ? *own : g_other;
        const auto now = std::chrono::steady_clock::now();
        if (s.said && now - s.last < std::chrono::seconds(1)) {
            ++s.leftOut;
            return;
        }
        line = s.name + ": " + text;
        if (s.leftOut > 0)
            line += " (" + std::to_string(s.leftOut) + " more messages left out)";
        s.said = true;
        s.last = now;
        s.leftOut = 0;
    }
    Say(line);
}

} // namespace

void LibavLog::Install(SourceOf sourceOf, const char* otherName)
{
    std::call_once(g_installOnce, [&] {
        g_sourceOf = sourceOf;
        g_other.name = otherName;
        g_installed = true;
        av_log_set_callback(LogLine);
    });
}

void LibavLog::SetSink(Sink sink) { g_sink.store(sink); }

void LibavLog::Guarded(const std::function<void()>& f)
{
    std::lock_guard lock(g_mutex);
    f();
}

void LibavLog::Restore()
{
    if (g_installed)
        av_log_set_callback(av_log_default_callback);
}

} // namespace display
