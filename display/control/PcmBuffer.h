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
class PcmBuffer : public QIODevice {
public:
    static constexpr int kSampleRate = 8000;
    static constexpr size_t kMaxSamples = kSampleRate / 5;
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
    mutable std::mutex m_mutex;
    std::deque<int16_t> m_samples;
    std::atomic<int> m_volume{0};
};

} // namespace display
