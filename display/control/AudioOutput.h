#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <QThread>
#include <QTimer>

class QAudioSink;
class QIODevice;
class QObject;

namespace display {

class PcmBuffer;

// Plays G.711 mu-law 8 kHz mono sound through the default audio device. The sound is written
// to the sink as soon as it arrives, so the sink never idles while there is sound to play,
// and only a little is held in between, so that sound keeps in step with the picture. Without
// a device it says so once on the terminal, stays silent and drops what it is given. The sink
// lives on a thread of its own, which does the writing: a GUI thread busy drawing a wall of
// tiles never keeps sound waiting. Play, SetVolume and Clear may be called from any thread.
class AudioOutput {
public:
    // How much sound the sink holds ahead of what is heard.
    static constexpr int kSinkMilliseconds = 60;

    explicit AudioOutput(QObject* parent);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool HasDevice() const { return m_sink != nullptr; }
    void Play(const uint8_t* muLaw, size_t size);
    void SetVolume(int volume);
    void Clear();

private:
    bool Start();
    // Audio thread: hands the sink what it has room for, and comes back for the rest.
    void Feed();
    void Stop();

    PcmBuffer* m_buffer = nullptr;
    QThread m_thread;
    std::unique_ptr<QObject> m_context; // lives on m_thread: what runs there is queued to it
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_device = nullptr;
    QTimer m_retry;
    std::atomic<bool> m_feedQueued{false};
};

} // namespace display
