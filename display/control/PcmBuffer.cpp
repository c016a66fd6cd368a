#include "display/control/PcmBuffer.h"

#include <algorithm>
#include <cstring>

#include "display/control/MuLaw.h"

namespace display {

PcmBuffer::PcmBuffer(QObject* parent)
    : QIODevice(parent)
{
}

void PcmBuffer::Append(const uint8_t* muLaw, size_t size)
{
    if (!muLaw)
        return;
    std::lock_guard lock(m_mutex);
    m_lowest = std::min(m_lowest, m_samples.size());
    for (size_t i = 0; i < size; ++i)
        m_samples.push_back(MuLawToLinear(muLaw[i]));
    if (m_samples.size() > kMaxSamples)
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(m_samples.size() - kMaxSamples));
    m_appended += size;
    if (m_appended >= kSampleRate)
        DropBacklog();
}

void PcmBuffer::DropBacklog()
{
    if (m_lowest > kSteadySamples)
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(m_lowest - kSteadySamples));
    m_lowest = m_samples.size();
    m_appended = 0;
}

void PcmBuffer::Clear()
{
    std::lock_guard lock(m_mutex);
    m_samples.clear();
    m_lowest = 0;
    m_appended = 0;
}

void PcmBuffer::SetVolume(int volume) { m_volume.store(std::clamp(volume, 0, kMaxVolume)); }

size_t PcmBuffer::Samples() const
{
    std::lock_guard lock(m_mutex);
    return m_samples.size();
}

qint64 PcmBuffer::bytesAvailable() const
{
    return static_cast<qint64>(Samples() * sizeof(int16_t)) + QIODevice::bytesAvailable();
}

qint64 PcmBuffer::readData(char* data, qint64 maxSize)
{
    const int volume = m_volume.load();
    std::lock_guard lock(m_mutex);
    const size_t count = std::min(m_samples.size(), static_cast<size_t>(std::max<qint64>(maxSize, 0)) / 2);
    for (size_t i = 0; i < count; ++i) {
        const int16_t sample = static_cast<int16_t>(m_samples[i] * volume / kMaxVolume);
        std::memcpy(data + 2 * i, &sample, sizeof sample);
    }
    m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(count));
    m_lowest = std::min(m_lowest, m_samples.size());
    return static_cast<qint64>(count * 2);
}

} // namespace display
