#pragma once
#include <cstdint>

namespace playback {

class PlayerCore;

// The window thread's handlers of the transport controls. Each handler reads and writes
// the shared playback fields, starts searches and changes what the window shows; the play
// loop does the rest.
class TransportCommands {
public:
    // Scroll reports the sliders act on.
    static constexpr int kThumbPosition = 4;
    static constexpr int kEndTrack = 8;

    explicit TransportCommands(PlayerCore& core) : m_core(core) {}

    void OnPlay();
    void OnFf();
    void OnRew();
    void OnR(); // 59 seconds back
    void OnF(); // 59 seconds on
    // The seek slider's report: its scroll code, whether its mouse button has been
    // released, and its position.
    void OnSeekSlider(int scrollCode, bool released, int pos);
    // Moves playback to a second counted from the start (up to PlayerCore::LastSecond, which
    // stands for the end); while paused the current channel's first frame at or after msec
    // into that second is shown.
    void SeekTo(int32_t second, uint16_t msec = 0);
    void OnVolumeSlider(int scrollCode, int pos);
    void OnSpeaker();
    // While paused, the current channel's next frame with every record before it, or its
    // frame before the one on screen with the whole wall at that instant.
    void OnStepForward();
    void OnStepBack();

private:
    bool FileReady() const;
    void RequestStep(int32_t direction);
    void RequestShow(int32_t request);
    // Plays on in a state from the frame on screen (searching for it when the positions have
    // moved since), or from the start after the end.
    void Resume(int32_t state);
    void StopAtEnd();
    void Jump(int seconds);
    void CopyPositionsToRequests();
    void SetSpeedText(const char* format, int speed);

    PlayerCore& m_core;
};

} // namespace playback
