#pragma once
#include <array>
#include <string>

namespace playback {

// Everything the engine shows in the player window. The engine calls it from whichever
// thread it runs on (the GUI thread for commands, the play and seek threads otherwise);
// an implementation that owns widgets must hand each call over to the GUI thread.
class PlayerView {
public:
    // Dialog item ids of the controls the engine changes.
    enum Control : int {
        kRew = 1001,
        kR = 1002,
        kPlayButton = 1003,
        kF = 1004,
        kFf = 1005,
        kFileOpen = 1007,
        kPathBox = 1009,
        kSpeakerMin = 1017,
        kSpeakerMax = 1018,
        kMaximize = 1022,
        kMinimize = 1023,
        kExit = 1024,
        kOsd = 1026,
        kSpeed = 1027,
        kVer = 1028,
        kName = 1029,
        kTotalTime = 1032,
        kSearching = 1044,
        kPrint = 1045,
    };
    // Bitmap ids of a skin button: normal, down, over, checked.
    using ButtonLook = std::array<int, 4>;

    virtual ~PlayerView() = default;

    // Text of a label or of the path box (UTF-8).
    virtual void SetText(int control, const std::string& text) = 0;
    // Shows or hides a control ("Searching...").
    virtual void ShowControl(int control, bool shown) = 0;
    // Gives a skin button its four bitmaps and repaints it.
    virtual void SetButtonLook(int button, const ButtonLook& bitmaps) = 0;
    // The seek slider's range (without redrawing) and position (redrawn).
    virtual void SetSeekRange(int minimum, int maximum) = 0;
    virtual void SetSeekPos(int pos) = 0;
    virtual void RepaintSeekSlider() = 0;
    // The ff button's tooltip text.
    virtual void SetFfToolTip(const std::string& text) = 0;
    // Repaints the display control's window at once.
    virtual void RepaintDisplay() = 0;
    // Tells the user something they must see (a message box in the window).
    virtual void ShowMessage(const std::string& text) = 0;
};

} // namespace playback
