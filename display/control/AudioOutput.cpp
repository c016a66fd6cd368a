#include "display/control/AudioOutput.h"

#include <algorithm>
#include <array>

#include <dlfcn.h>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QtDebug>

#include "display/control/PcmBuffer.h"

namespace display {
namespace {

// Said once per run, however many controls are made.
void ReportNoDevice(const char* why)
{
    static std::atomic<bool> said{false};
    if (!said.exchange(true))
        qWarning("Kelvora Player: %s; playing without sound", why);
}

// Qt Multimedia holds a sound-server connection with threads of its own for as long as it is
// loaded. Unloaded with this control's library (the player releases it before it exits), its
// teardown runs under those threads' feet and libpulse aborts; kept loaded, it ends with the
// process, as in any program linked with it.
void KeepMultimediaLoaded()
{
    static void* const handle = dlopen("libQt6Multimedia.so.6", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    (void)handle;
}

} // namespace

AudioOutput::AudioOutput(QObject* parent)
    : m_buffer(new PcmBuffer(parent)), m_context(std::make_unique<QObject>())
{
    KeepMultimediaLoaded();
    m_buffer->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_retry.setSingleShot(true);
    m_retry.setInterval(10);
    QObject::connect(&m_retry, &QTimer::timeout, m_context.get(), [this] { Feed(); });
    m_thread.setObjectName(QStringLiteral("audio"));
    m_context->moveToThread(&m_thread);
    m_retry.moveToThread(&m_thread);
    m_thread.start(QThread::TimeCriticalPriority);
    QMetaObject::invokeMethod(
        m_context.get(),
        [this] {
            if (!Start())
                m_sink.reset();
        },
        Qt::BlockingQueuedConnection);
}

AudioOutput::~AudioOutput()
{
    QMetaObject::invokeMethod(m_context.get(), [this] { Stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void AudioOutput::Stop()
{
    m_retry.stop();
    if (m_sink)
        m_sink->stop();
    m_device = nullptr;
    // The sink's destructor may run the event loop and with it a queued Feed: it must find the
    // sink gone while the timer and the buffer are still there.
    m_sink.reset();
}

bool AudioOutput::Start()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        ReportNoDevice("no audio output device or sound server was found");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(PcmBuffer::kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        ReportNoDevice("the audio output device cannot play 8 kHz 16-bit mono sound");
        return false;
    }
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sink->setBufferSize(static_cast<qsizetype>(format.bytesForDuration(kSinkMilliseconds * 1000)));
    m_device = m_sink->start();
    if (!m_device) {
        ReportNoDevice("the audio output device could not be opened");
        return false;
    }
    return true;
}

void AudioOutput::Play(const uint8_t* muLaw, size_t size)
{
    if (!m_sink)
        return;
    m_buffer->Append(muLaw, size);
    // Wake the audio thread once for however many frames arrive before it writes them.
    if (!m_feedQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            m_context.get(),
            [this] {
                m_feedQueued.store(false);
                Feed();
            },
            Qt::QueuedConnection);
    }
}

void AudioOutput::Feed()
{
    if (!m_sink || !m_device)
        return;
    std::array<char, 4096> chunk;
    for (;;) {
        const qint64 room = std::min<qint64>(m_sink->bytesFree(), static_cast<qint64>(chunk.size())) & ~qint64{1};
        if (room <= 0)
            break;
        const qint64 read = m_buffer->read(chunk.data(), room);
        if (read <= 0)
            return;
        m_device->write(chunk.data(), read);
    }
    // The sink is full: what is left goes in when it has played some.
    if (m_buffer->bytesAvailable() > 0 && !m_retry.isActive())
        m_retry.start();
}

void AudioOutput::SetVolume(int volume) { m_buffer->SetVolume(volume); }

void AudioOutput::Clear() { m_buffer->Clear(); }

} // namespace display
