#include "ui/capture/PrintDialog.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <QCheckBox>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include "ui/capture/CaptureTimeText.h"
#include "ui/capture/PrintPage.h"

namespace capture {
namespace {
const QRect kPreviewBox(12, 13, 352, 288);
const QSize kDialogSize(376, 402);
constexpr int kNoteLength = 100;
const QColor kCaptionColour(180, 180, 180);

QPushButton* AddButton(QWidget* parent, const QString& text, const char* name, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

QCheckBox* AddCheckBox(QWidget* parent, const QString& text, const char* name, const QRect& geometry, bool checked)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setChecked(checked);
    return box;
}
} // namespace

PrintDialog::PrintDialog(display::CVorquil_Ctrl_Player& player, PrintSettings& settings, CaptureTimeSource time,
                         Printing& printing, MessageBoxFunction messageBox, QWidget* parent)
    : QDialog(parent),
      m_player(player),
      m_settings(settings),
      m_time(std::move(time)),
      m_printing(printing),
      m_messageBox(std::move(messageBox)),
      m_strNote(settings.m_strPrintNote),
      m_bTimeInfo(settings.m_bPrintTimeInfo),
      m_bNote(settings.m_bPrintNote),
      m_fontCaption(QStringLiteral("Arial"))
{
    setWindowTitle(QStringLiteral("Print"));
    QFont dialogFont(QStringLiteral("Arial"));
    dialogFont.setPixelSize(12);
    setFont(dialogFont);
    setFixedSize(kDialogSize);
    m_fontCaption.setPixelSize(18);
    m_fontCaption.setWeight(QFont::Bold);
    CreateControls();
}

void PrintDialog::CreateControls()
{
    m_noteCheck = AddCheckBox(this, QStringLiteral("Note"), "noteCheck", QRect(212, 307, 50, 20), m_bNote != 0);
    m_timeInfoCheck =
        AddCheckBox(this, QStringLiteral("Time Info"), "timeInfoCheck", QRect(262, 307, 50, 20), m_bTimeInfo != 0);
    QPushButton* reload = AddButton(this, QStringLiteral("Reload"), "reloadButton", QRect(312, 307, 50, 20));
    FitCheckBoxes(reload->x());
    m_noteEdit = new QLineEdit(m_strNote, this);
    m_noteEdit->setObjectName("noteEdit");
    m_noteEdit->setGeometry(12, 333, 352, 20);
    m_noteEdit->setMaxLength(kNoteLength);
    QPushButton* print = AddButton(this, QStringLiteral("Print..."), "printButton", QRect(12, 366, 85, 24));
    QPushButton* ok = AddButton(this, QStringLiteral("Ok"), "okButton", QRect(189, 366, 85, 24));
    QPushButton* cancel = AddButton(this, QStringLiteral("Cancel"), "cancelButton", QRect(279, 366, 85, 24));
    ok->setDefault(true);

    connect(m_noteCheck, &QCheckBox::clicked, this, [this] { m_bNote = 1 - m_bNote; });
    connect(m_timeInfoCheck, &QCheckBox::clicked, this, [this] { OnTimeInfo(); });
    connect(reload, &QPushButton::clicked, this, [this] { OnReload(); });
    connect(m_noteEdit, &QLineEdit::textChanged, this, [this](const QString& text) { m_strNote = text; });
    connect(print, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// A check mark with its gap takes more room here than the boxes' 50 pixels allow beside their
// texts: the two boxes take the width their texts need, ending where Reload begins.
void PrintDialog::FitCheckBoxes(int right)
{
    for (QCheckBox* box : {m_timeInfoCheck, m_noteCheck}) {
        const int width = std::max(box->width(), box->sizeHint().width());
        right -= width;
        box->setGeometry(right, box->y(), width, box->height());
    }
}

void PrintDialog::accept()
{
    m_strNote = m_noteEdit->text();
    m_settings.m_strPrintNote = m_strNote;
    m_settings.m_bPrintNote = m_bNote;
    m_settings.m_bPrintTimeInfo = m_bTimeInfo;
    QDialog::accept();
}

void PrintDialog::OnTimeInfo()
{
    // A new frame is taken at the next paint, to go with the time stamp printed now.
    m_bTimeInfo = 1 - m_bTimeInfo;
    m_bLoaded = 0;
    update(kPreviewBox);
}

void PrintDialog::OnReload()
{
    // Only the preview changes: Print... keeps printing the frame of the last loading paint.
    const std::optional<CapturedFrame> frame = GrabFrame(m_player);
    if (!frame)
        return;
    m_bmpFrame = FrameBitmap(*frame);
    m_reloadPending = true;
    update(kPreviewBox);
}

void PrintDialog::OnPrint()
{
    if (!m_bLoaded)
        return;
    if (!m_printing.HasDefaultPrinter()) {
        m_messageBox(QStringLiteral("You have no default printer!"));
        return;
    }
    std::unique_ptr<PrintSurface> page = m_printing.StartDocument(this, QStringLiteral("Print - Kelvora"));
    if (!page)
        return;
    std::optional<QString> note;
    if (m_bNote)
        note = m_strNote;
    PrintPage(*page, m_frame, TimeStamp(), note, RecordingLine());
}

// The printed frame's own time and channel; a control that names neither leaves the time on screen.
std::optional<QString> PrintDialog::TimeStamp() const
{
    if (!m_bTimeInfo)
        return std::nullopt;
    const bool own = m_frame.channel >= 0;
    const QString time = QString::fromStdString(
        PrintTimeText(own ? m_frame.time : m_time.curTime(), m_time.timeFormat(), m_time.milliseconds()));
    return own ? time + QStringLiteral("  ") + QString::fromStdString(m_time.channelName(m_frame.channel)) : time;
}

std::optional<QString> PrintDialog::RecordingLine() const
{
    const std::string file = m_time.recordingFile();
    if (file.empty())
        return std::nullopt;
    return QStringLiteral("Recording: ") + QString::fromStdString(file);
}

void PrintDialog::paintEvent(QPaintEvent* event)
{
    if (event->region().intersects(kPreviewBox))
        PaintPreview();
}

void PrintDialog::PaintPreview()
{
    QPainter painter(this);
    const bool showReload = std::exchange(m_reloadPending, false);
    if (!m_bLoaded && !showReload) {
        std::optional<CapturedFrame> frame = GrabFrame(m_player);
        if (!frame) {
            // Tried again at the next paint.
            painter.fillRect(kPreviewBox, Qt::black);
            painter.setFont(m_fontCaption);
            painter.setPen(kCaptionColour);
            painter.drawText(kPreviewBox, Qt::AlignCenter | Qt::TextSingleLine,
                             QStringLiteral("Kelvora Player - Print"));
            return;
        }
        m_frame = std::move(*frame);
        m_bmpFrame = FrameBitmap(m_frame);
        m_bLoaded = 1;
    }
    // Nearest pixels, dropped rather than blended.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(kPreviewBox, m_bmpFrame);
}

} // namespace capture
