#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "playback/PlayerView.h"

namespace testsupport {

// A PlayerView that logs every call, from any thread.
class RecordingView : public playback::PlayerView {
public:
    enum class Kind { Text, Show, Look, SeekRange, SeekPos, RepaintSeek, ToolTip, RepaintDisplay, Message };
    struct Call {
        Kind kind;
        int control = 0;
        std::string text;
        std::vector<int> ints;
    };

    void SetText(int control, const std::string& text) override { Log({Kind::Text, control, text, {}}); }
    void ShowControl(int control, bool shown) override;
    void SetButtonLook(int button, const ButtonLook& b) override { Log({Kind::Look, button, {}, {b.begin(), b.end()}}); }
    void SetSeekRange(int minimum, int maximum) override { Log({Kind::SeekRange, 0, {}, {minimum, maximum}}); }
    void SetSeekPos(int pos) override { Log({Kind::SeekPos, 0, {}, {pos}}); }
    void RepaintSeekSlider() override { Log({Kind::RepaintSeek, 0, {}, {}}); }
    void SetFfToolTip(const std::string& text) override { Log({Kind::ToolTip, kFf, text, {}}); }
    void RepaintDisplay() override { Log({Kind::RepaintDisplay, 0, {}, {}}); }
    void ShowMessage(const std::string& text) override { Log({Kind::Message, 0, text, {}}); }

    // The calls of a kind, to one control or (control 0) to any.
    std::vector<Call> CallsOf(Kind kind, int control = 0) const;
    // The texts a control was given, in order, and the last one ("" when none).
    std::vector<std::string> Texts(int control) const;
    std::string LastText(int control) const;
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

    // Called on the thread that shows "Searching...", before it goes on: a test can hold a
    // seek thread there while it is busy. Set before any search starts.
    std::function<void()> onSearching;

private:
    void Log(Call call)
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

} // namespace testsupport
