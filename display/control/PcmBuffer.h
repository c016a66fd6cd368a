#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include <QIODevice>

namespace display {

// The sound waiting to be played: mu-law frames come in from the play thread, the audio output
// reads 16-bit samples at the volume of the moment. Holds at most a fifth of a second; older
// sound is dropped when the sink falls behind, so that sound never lags the picture by more.
// Sound that stayed waiting through a whole second of input is a backlog, not jitter (the sink
// started late or stalled, and since it takes sound as fast as it comes the backlog would never
// drain): it is cut to kSteadySamples, so that sound keeps in step with the picture. Open it
// Unbuffered, or QIODevice's own buffer holds sound where neither limit sees it.
class PcmBuffer : public QIODevice {
public:
    static constexpr int kSampleRate = 8000;
    static constexpr size_t kMaxSamples = kSampleRate / 5;
    static constexpr size_t kSteadySamples = kSampleRate / 50; // one frame of the recorder's sound
    static constexpr int kMaxVolume = 15;

    explicit PcmBuffer(QObject* parent = nullptr);

    void Append(const uint8_t* muLaw, size_t size);
    void Clear();
    // 0 silent to 15 full; values outside are clamped.
    void SetVolume(int volume);
    int Volume() const { return m_volume.load(); }
    size_t Samples() const;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // Under the lock, once a second of input: drops what never drained in that second.
    void DropBacklog();

    mutable std::mutex m_mutex;
    std::deque<int16_t> m_samples;
    size_t m_lowest = 0;   // the fewest samples waiting since the last DropBacklog
    size_t m_appended = 0; // samples appended since then
    std::atomic<int> m_volume{0};
};

} // namespace display
