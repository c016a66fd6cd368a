#include "display/ControlHarness.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include "display/ControlRegistry.h"
#include "display/DispId.h"

namespace testsupport {

ControlHarness::ControlHarness()
{
    if (!m_library.LoadAndRegister())
        throw std::runtime_error("control library not loaded");
    display::ControlInstance instance = display::ControlRegistry::Create(display::kPlayerControlClassId, nullptr, this);
    if (!instance.widget)
        throw std::runtime_error("control not registered");
    m_widget.reset(instance.widget);
    m_player.Attach(instance.target);
    m_player.SetMode(3, 0);
}

ControlHarness::~ControlHarness() { m_widget.reset(); }

std::vector<ControlHarness::Event> ControlHarness::Events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

void ControlHarness::OnDisplayEvent(int32_t eventId, int32_t arg1, int32_t arg2)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back({eventId, arg1, arg2});
}

void ControlHarness::WaitIdle()
{
    for (;;) {
        int32_t running = 0;
        m_player.QueryRunning(&running);
        QCoreApplication::processEvents();
        if (!running)
            break;
        QThread::msleep(1);
    }
    QCoreApplication::processEvents();
}

QImage ControlHarness::Capture()
{
    std::vector<uint8_t> buffer(display::kCaptureBufferSize, 0);
    int32_t width = 0, height = 0, bits = 0;
    if (m_player.CaptureImage(buffer.data(), &width, &height, &bits) < 0)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    const int rowBytes = width * bits / 8;
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), buffer.data() + static_cast<size_t>(height - 1 - y) * rowBytes, rowBytes);
    return image;
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace testsupport
