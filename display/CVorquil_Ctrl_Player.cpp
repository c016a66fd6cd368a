#include "display/CVorquil_Ctrl_Player.h"

#include <array>

#include "display/DispId.h"

namespace display {
namespace {
template <typename... T> std::array<DispArg, sizeof...(T)> Args(T... values) { return {DispArg(values)...}; }
} // namespace

int32_t CVorquil_Ctrl_Player::Invoke(int32_t dispid, std::span<const DispArg> args)
{
    // Before the control exists (or without one, as in tools) calls go nowhere.
    return m_target ? m_target->Invoke(dispid, args) : 0;
}

void CVorquil_Ctrl_Player::SetOwnerWindow(void* window) { Invoke(kSetOwnerWindow, Args(window)); }

void CVorquil_Ctrl_Player::SetChannelTitle(int32_t channel, const std::u16string& text)
{
    Invoke(kSetChannelTitle, Args(channel, std::u16string_view(text)));
}

void CVorquil_Ctrl_Player::SetTitleText(const std::u16string& text) { Invoke(kSetTitleText, Args(std::u16string_view(text))); }

void CVorquil_Ctrl_Player::SetVersionText(const std::u16string& text)
{
    Invoke(kSetVersionText, Args(std::u16string_view(text)));
}

void CVorquil_Ctrl_Player::SetVolume(int32_t volume) { Invoke(kSetVolume, Args(volume)); }

void CVorquil_Ctrl_Player::InitCall(int32_t dispid) { Invoke(dispid, Args(int32_t{0})); }

void CVorquil_Ctrl_Player::QueryRunning(int32_t* running) { Invoke(kQueryRunning, Args(static_cast<void*>(running))); }

void CVorquil_Ctrl_Player::Stop() { Invoke(kStop, {}); }

void CVorquil_Ctrl_Player::SetMode(int32_t mode, int32_t arg) { Invoke(kSetMode, Args(mode, arg)); }

int32_t CVorquil_Ctrl_Player::CurrentChannel() { return Invoke(kCurrentChannel, {}); }

void CVorquil_Ctrl_Player::SetCurrentChannel(int32_t channel) { Invoke(kSetCurrentChannel, Args(channel)); }

void CVorquil_Ctrl_Player::SetChannelCount(int32_t count) { Invoke(kSetChannelCount, Args(count)); }

void CVorquil_Ctrl_Player::SetLayout(int32_t first, int32_t tiles) { Invoke(kSetLayout, Args(first, tiles)); }

void CVorquil_Ctrl_Player::Flush() { Invoke(kFlush, {}); }

void CVorquil_Ctrl_Player::PushFrame(const uint8_t* payload, int32_t fTime, int32_t msec, int32_t audio, int32_t length,
                                     int32_t frameType, int32_t channel)
{
    Invoke(kPushFrame,
           Args(static_cast<const void*>(payload), fTime, msec, audio, length, frameType, channel));
}

int32_t CVorquil_Ctrl_Player::CaptureImage(uint8_t* buffer, int32_t* width, int32_t* height, int32_t* bitsPerPixel)
{
    return Invoke(kCaptureImage, Args(int32_t{255}, static_cast<void*>(buffer), static_cast<void*>(width),
                                      static_cast<void*>(height), static_cast<void*>(bitsPerPixel), int32_t{0}));
}

int32_t CVorquil_Ctrl_Player::ShownTime(int32_t* fTime, int32_t* msec)
{
    return Invoke(kShownTime, Args(static_cast<void*>(fTime), static_cast<void*>(msec)));
}

int32_t CVorquil_Ctrl_Player::CapturedTime(int32_t* fTime, int32_t* msec)
{
    return Invoke(kCapturedTime, Args(static_cast<void*>(fTime), static_cast<void*>(msec)));
}

int32_t CVorquil_Ctrl_Player::DroppedFrames(int32_t channel) { return Invoke(kDroppedFrames, Args(channel)); }

} // namespace display
