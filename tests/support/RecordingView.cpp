#include "support/RecordingView.h"

namespace testsupport {

void RecordingView::ShowControl(int control, bool shown)
{
    Log({Kind::Show, control, {}, {shown ? 1 : 0}});
    if (shown && control == kSearching && onSearching)
        onSearching();
}

std::vector<RecordingView::Call> RecordingView::CallsOf(Kind kind, int control) const
{
    std::lock_guard lock(m_mutex);
    std::vector<Call> out;
    for (const Call& c : m_calls) {
        if (c.kind == kind && (control == 0 || c.control == control))
            out.push_back(c);
    }
    return out;
}

std::vector<std::string> RecordingView::Texts(int control) const
{
    std::vector<std::string> out;
    for (const Call& c : CallsOf(Kind::Text, control))
        out.push_back(c.text);
    return out;
}

std::string RecordingView::LastText(int control) const
{
    const std::vector<std::string> texts = Texts(control);
    return texts.empty() ? std::string() : texts.back();
}

} // namespace testsupport
