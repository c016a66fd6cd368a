#include "display/control/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include "display/control/PcmBuffer.h"

namespace display {

AudioOutput::AudioOutput(QObject* parent)
    : m_buffer(new PcmBuffer(parent))
{
    m_buffer->open(QIODevice::ReadOnly);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(PcmBuffer::kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    m_sink = new QAudioSink(device, format, parent);
    m_sink->start(m_buffer);
}

AudioOutput::~AudioOutput()
{
    if (m_sink)
        m_sink->stop();
}

void AudioOutput::Play(const uint8_t* muLaw, size_t size)
{
    if (m_sink)
        m_buffer->Append(muLaw, size);
}

void AudioOutput::SetVolume(int volume) { m_buffer->SetVolume(volume); }

void AudioOutput::Clear() { m_buffer->Clear(); }

} // namespace display
