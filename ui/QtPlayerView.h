#pragma once
#include <QObject>

#include "playback/PlayerView.h"

namespace ui {

class PlayerDialog;

// What the engine shows, put on the player window's widgets. The play and seek threads call
// it too: their calls are queued to the GUI thread in the order they were made, so widgets
// are touched only there. Calls made on the GUI thread act at once.
class QtPlayerView : public playback::PlayerView {
public:
    explicit QtPlayerView(PlayerDialog& dialog) : m_dialog(dialog) {}

    void SetText(int control, const std::string& text) override;
    void ShowControl(int control, bool shown) override;
    void SetButtonLook(int button, const ButtonLook& bitmaps) override;
    void SetSeekRange(int minimum, int maximum) override;
    void SetSeekPos(int pos) override;
    void RepaintSeekSlider() override;
    void SetFfToolTip(const std::string& text) override;
    void RepaintDisplay() override;
    void ShowMessage(const std::string& text) override;

private:
    template <typename F> void OnGuiThread(F&& f);

    PlayerDialog& m_dialog;
    // The context of queued calls: they die with the view, not with the dialog, which outlives
    // it while its children (the display control and its sound sink) are torn down, and a sink
    // may run the event loop then.
    QObject m_context;
};

} // namespace ui
