#pragma once
#include <string>
#include <vector>

#include <QProcess>

#include "support/TempDir.h"

namespace testsupport {

// A private PulseAudio server with one null sink, for tests that listen to what is played.
// It runs as whoever runs the tests (root included), needs no session bus, and keeps its
// socket and state in a folder of its own; this process is pointed at it through
// PULSE_SERVER, so start it before anything asks for an audio device. It serves the process
// to its very end (Qt's sound service outlives every test and must not lose its server), and
// the system ends it and its recorder when the process ends, however it ends.
class PulseServer {
public:
    static constexpr int kRate = 8000;
    // The null sink; its monitor is "<kSink>.monitor".
    static constexpr const char* kSink = "kelvora_test";

    // Whether a pulseaudio program can be found at all.
    static bool Installed();
    // The process's server, started at the first call.
    static PulseServer& Shared();

    // Empty once the server answers, else why it does not.
    const std::string& Error() const { return m_error; }

    // Records the sink's monitor (8 kHz mono) from Start to Stop.
    void StartRecording();
    std::vector<int16_t> StopRecording();

private:
    PulseServer();
    bool Answers();

    TempDir m_dir;
    QProcess m_server;
    QProcess m_recorder;
    std::string m_error;
};

} // namespace testsupport
