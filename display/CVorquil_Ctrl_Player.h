#pragma once
#include <cstdint>
#include <string>

#include "display/DispatchTarget.h"

namespace display {

// The player's only way to the display control: typed operations on top of Invoke.
// Holds no state of its own, so the GUI thread and the play thread may call it at once.
class CVorquil_Ctrl_Player {
public:
    CVorquil_Ctrl_Player() = default;
    explicit CVorquil_Ctrl_Player(DispatchTarget* target) : m_target(target) {}
    void Attach(DispatchTarget* target) { m_target = target; }
    bool IsAttached() const { return m_target != nullptr; }

    int32_t Invoke(int32_t dispid, std::span<const DispArg> args);

    void SetOwnerWindow(void* window);
    void SetChannelTitle(int32_t channel, const std::u16string& text);
    void SetTitleText(const std::u16string& text);
    void SetVersionText(const std::u16string& text);
    void SetVolume(int32_t volume);
    void InitCall(int32_t dispid); // 44 to 48, each with 0
    void QueryRunning(int32_t* running);
    void Stop();
    void SetMode(int32_t mode, int32_t arg);
    int32_t CurrentChannel();
    // Makes a channel current, bringing its page of tiles on screen when it is not.
    void SetCurrentChannel(int32_t channel);
    void SetChannelCount(int32_t count);
    void SetLayout(int32_t first, int32_t tiles);
    void Flush();
    void PushFrame(const uint8_t* payload, int32_t fTime, int32_t msec, int32_t audio, int32_t length, int32_t frameType,
                   int32_t channel);
    // The reset form: clears every picture back to the idle look.
    void PushReset() { PushFrame(nullptr, 0, 0, 0, 0, 0, -1); }
    int32_t CaptureImage(uint8_t* buffer, int32_t* width, int32_t* height, int32_t* bitsPerPixel);
    // The recorded time of the picture last painted (ShownTime) or last captured (CapturedTime)
    // for the current channel: f_time and milliseconds. Returns that channel, or a negative
    // value when no picture is there.
    int32_t ShownTime(int32_t* fTime, int32_t* msec);
    int32_t CapturedTime(int32_t* fTime, int32_t* msec);
    // Frames of the channel the control dropped because its decoding was behind.
    int32_t DroppedFrames(int32_t channel);

private:
    DispatchTarget* m_target = nullptr;
};

} // namespace display
