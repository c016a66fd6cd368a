#pragma once
#include <memory>
#include <mutex>
#include <vector>

#include <QImage>

#include "app/startup/ControlLibrary.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "display/DispatchTarget.h"

class QWidget;

namespace testsupport {

// The display control as the player gets it: the library loaded by its bare name and
// registered, the control made from its class identifier, reached through the wrapper.
// Records the control's events.
class ControlHarness : public display::DisplayEventSink {
public:
    struct Event {
        int32_t id, arg1, arg2;
        bool operator==(const Event&) const = default;
    };

    ControlHarness();
    ~ControlHarness() override;

    display::CVorquil_Ctrl_Player& Player() { return m_player; }
    QWidget* Widget() const { return m_widget.get(); }
    std::vector<Event> Events() const;

    // Waits until the control has nothing queued or decoding, then lets it draw.
    void WaitIdle();
    // CaptureImage into a buffer of the player's size, turned top row first; a null image when
    // the control reports no picture.
    QImage Capture();

    void OnDisplayEvent(int32_t eventId, int32_t arg1, int32_t arg2) override;

private:
    app::ControlLibrary m_library;
    std::unique_ptr<QWidget> m_widget;
    display::CVorquil_Ctrl_Player m_player;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};

// Whether two colours differ by at most tolerance in each component.
bool Near(QColor a, QColor b, int tolerance = 24);

} // namespace testsupport
