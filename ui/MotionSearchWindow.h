#pragma once
// "Find Motion": runs a motion search on a worker thread with its progress and a Cancel
// button, then lists what it found; choosing an event hands it on. Closing the window stops
// the search.
#include <QDialog>
#include <atomic>
#include <thread>

#include "motion/MotionSearch.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ui {

class MotionSearchWindow : public QDialog {
    Q_OBJECT
public:
    MotionSearchWindow(const std::string& path, int channel, const motion::MotionOptions& options, QWidget* parent);
    ~MotionSearchWindow() override;

    QListWidget* Events() const { return m_list; }
    bool IsSearching() const { return m_worker.joinable(); }

signals:
    void Found(const std::vector<motion::MotionEvent>& events);
    void EventChosen(const motion::MotionEvent& event);

private:
    void Poll();
    void Finish();
    void Stop();

    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QListWidget* m_list;
    QTimer* m_timer;
    std::atomic<bool> m_cancelled{false};
    std::atomic<int> m_permille{0};
    std::atomic<bool> m_done{false};
    motion::MotionResult m_result; // written by the worker before m_done
    std::thread m_worker;
};

} // namespace ui
