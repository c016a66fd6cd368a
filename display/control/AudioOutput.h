#pragma once
#include <cstddef>
#include <cstdint>

class QAudioSink;
class QObject;

namespace display {

class PcmBuffer;

// Plays G.711 mu-law 8 kHz mono sound through the default audio device. Without a device it
// stays silent and drops what it is given. Made on the GUI thread; Play, SetVolume and Clear
// may be called from any thread.
class AudioOutput {
public:
    explicit AudioOutput(QObject* parent);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool HasDevice() const { return m_sink != nullptr; }
    void Play(const uint8_t* muLaw, size_t size);
    void SetVolume(int volume);
    void Clear();

private:
    PcmBuffer* m_buffer = nullptr;
    QAudioSink* m_sink = nullptr;
};

} // namespace display
