#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <QTimer>

class QAudioSink;
class QIODevice;
class QObject;

namespace display {

class PcmBuffer;

// Plays G.711 mu-law 8 kHz mono sound through the default audio device. The sound is written
// to the sink as soon as it arrives, so the sink never idles while there is sound to play,
// and only a little is held in between, so that sound keeps in step with the picture. Without
// a device it says so once on the terminal, stays silent and drops what it is given. Made on
// the GUI thread, which does the writing; Play, SetVolume and Clear may be called from any
// thread.
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
    // GUI thread: hands the sink what it has room for, and comes back for the rest.
    void Feed();

    PcmBuffer* m_buffer = nullptr;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_device = nullptr;
    QTimer m_retry;
    std::atomic<bool> m_feedQueued{false};
};

} // namespace display
