#pragma once
#include "playback/PlayerView.h"

namespace playback {

// The view of a player without a window (tools, fuzzing): it shows nothing.
class NullPlayerView : public PlayerView {
public:
    void SetText(int, const std::string&) override {}
    void ShowControl(int, bool) override {}
    void SetButtonLook(int, const ButtonLook&) override {}
    void SetSeekRange(int, int) override {}
    void SetSeekPos(int) override {}
    void RepaintSeekSlider() override {}
    void SetFfToolTip(const std::string&) override {}
    void RepaintDisplay() override {}
    void ShowMessage(const std::string&) override {}
};

} // namespace playback
