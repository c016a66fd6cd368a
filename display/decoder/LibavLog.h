#pragma once
#include <chrono>
#include <functional>
#include <string>

namespace display {

// libavutil's log as a user should meet it: errors only, each source saying one line a second
// at most (the rest counted), every line prefixed with the name of its source, a channel for
// the decoders. A damaged stream makes libavcodec complain about nearly every frame. Used by
// the decoder library and by vrc-tool, so raw lines reach neither's user.
class LibavLog {
public:
    using Sink = void (*)(const char* line);
    // What one source has said lately; its name prefixes its lines.
    struct Source {
        std::string name;
        std::chrono::steady_clock::time_point last{};
        bool said = false;
        int leftOut = 0;
    };
    // The Source a libav context logs for, or null for a context that is no one's own.
    using SourceOf = Source* (*)(void* context);

    // Routes libavutil's log through here, once per process; contexts that sourceOf (which
    // may be null) does not claim speak as otherName.
    static void Install(SourceOf sourceOf, const char* otherName);
    // Lines go to the sink, or to stderr while there is none.
    static void SetSink(Sink sink);
    // Runs f under the log's lock: to rename or forget a source while a line may be said.
    static void Guarded(const std::function<void()>& f);
    // Gives libavutil its own log back, when this code is about to go away.
    static void Restore();
};

} // namespace display
