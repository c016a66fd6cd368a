#include "ui/MotionSearchWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {
namespace {

constexpr int kPollMs = 100;

QString EventText(const motion::MotionEvent& e)
{
    return QStringLiteral("%1   %2 s   peak %3")
        .arg(QString::fromStdString(e.start.Text()))
        .arg(static_cast<double>(e.DurationMs()) / 1000.0, 0, 'f', 1)
        .arg(e.peak, 0, 'f', 2);
}

} // namespace

MotionSearchWindow::MotionSearchWindow(const std::string& path, int channel, const motion::MotionOptions& options,
                                       QWidget* parent)
    : QDialog(parent), m_status(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)), m_list(new QListWidget(this)), m_timer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Find Motion - CAM %1").arg(channel + 1, 2, 10, QLatin1Char('0')));
    m_status->setText(QStringLiteral("Searching channel %1...").arg(channel + 1));
    m_progress->setRange(0, 1000);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_list);
    layout->addWidget(m_cancel);
    resize(360, 320);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    connect(m_timer, &QTimer::timeout, this, &MotionSearchWindow::Poll);
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int i = m_list->row(item);
        if (i >= 0 && i < static_cast<int>(m_result.events.size()))
            emit EventChosen(m_result.events[i]);
    });
    m_timer->start(kPollMs);
    m_worker = std::thread([this, path, channel, options] {
        motion::SearchObserver observer;
        observer.progress = [this](double done) { m_permille = static_cast<int>(done * 1000); };
        observer.cancel = &m_cancelled;
        m_result = motion::MotionSearch::Run(path, channel, options, observer);
        m_done = true;
    });
}

MotionSearchWindow::~MotionSearchWindow() { Stop(); }

void MotionSearchWindow::Stop()
{
    m_cancelled = true;
    if (m_worker.joinable())
        m_worker.join();
}

void MotionSearchWindow::Poll()
{
    m_progress->setValue(m_permille);
    if (m_done)
        Finish();
}

void MotionSearchWindow::Finish()
{
    m_timer->stop();
    m_worker.join();
    m_progress->setValue(m_progress->maximum());
    m_cancel->hide();
    const motion::MotionResult& r = m_result;
    if (!r.error.empty())
        m_status->setText(QString::fromStdString(r.error));
    else
        m_status->setText(QStringLiteral("%1 events in %2 s%3. Choose one to go there.")
                              .arg(r.events.size())
                              .arg(r.seconds, 0, 'f', 0)
                              .arg(r.cancelled ? QStringLiteral(" (cancelled)") : QString()));
    for (const motion::MotionEvent& e : r.events)
        m_list->addItem(EventText(e));
    emit Found(r.events);
}

} // namespace ui
